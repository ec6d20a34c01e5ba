#include "devmode/FileWatch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>

namespace Vantrel {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double wallSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

FileWatch::FileWatch(const std::vector<std::string>& folders, double settleSeconds) : settle(settleSeconds)
{
    fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return;
    for (const std::string& folder : folders) {
        // Closing after a write covers editors that save in place; a rename
        // over the old file covers those that write a copy first.
        int wd = inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
        if (wd >= 0)
            watches.emplace_back(wd, folder);
    }
}

FileWatch::~FileWatch()
{
    if (fd >= 0)
        close(fd);
}

void FileWatch::drain(double now)
{
    for (;;) {
        ssize_t length = read(fd, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len == 0 || (event->mask & IN_ISDIR))
                continue;
            int folder = -1;
            for (size_t i = 0; i < watches.size(); i++)
                if (watches[i].first == event->wd)
                    folder = static_cast<int>(i);
            if (folder < 0)
                continue;
            bool known = false;
            for (Pending& p : pending) {
                if (p.folder == folder && p.name == event->name) {
                    p.lastEvent = now;
                    known = true;
                }
            }
            if (!known)
                pending.push_back({folder, event->name, now});
        }
    }
}

bool FileWatch::next(double now, SettledFile& out)
{
    if (fd < 0)
        return false;
    drain(now);
    for (size_t i = 0; i < pending.size(); i++) {
        if (now - pending[i].lastEvent < settle)
            continue;
        out.folder = watches[static_cast<size_t>(pending[i].folder)].second;
        out.name = pending[i].name;
        struct stat info {};
        const std::string path = out.folder + out.name;
        out.savedAt = stat(path.c_str(), &info) == 0
                          ? static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) * 1e-9
                          : wallSeconds();
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

} // namespace Vantrel
