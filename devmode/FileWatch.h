// Notices files saved in a few folders (inotify) and hands each one over
// once its save has settled: editors write a file in several steps (truncate,
// write, close; or write a copy and rename it over), so a file counts as
// saved when no event has touched it for the settle time.
//
//   FileWatch watch({"data/", "vantrel_data/"});
//   SettledFile file;
//   while (watch.next(nowSeconds, file)) reload(file.path);   // once per frame
#pragma once

#include <string>
#include <vector>

namespace Vantrel {

struct SettledFile {
    std::string folder;   // as watched, ending with '/'
    std::string name;     // bare file name
    double savedAt = 0.0; // wall-clock seconds (CLOCK_REALTIME) of the file's last change
};

class FileWatch {
public:
    // Folders that do not exist are left out; settleSeconds is the quiet time a save needs.
    explicit FileWatch(const std::vector<std::string>& folders, double settleSeconds = 0.04);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Reads what the kernel reported (without waiting) and returns one file
    // whose save has settled by `now` (steady seconds); false when none has.
    bool next(double now, SettledFile& out);
    bool watching() const { return fd >= 0; }

private:
    struct Pending {
        int folder;
        std::string name;
        double lastEvent;
    };
    void drain(double now);

    int fd = -1;
    std::vector<std::pair<int, std::string>> watches; // descriptor, folder
    std::vector<Pending> pending;
    double settle;
    alignas(8) char buffer[4096];
};

// Steady seconds for FileWatch::next.
double steadySeconds();
// Wall-clock seconds now, comparable with SettledFile::savedAt.
double wallSeconds();

} // namespace Vantrel
