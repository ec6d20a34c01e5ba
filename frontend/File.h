// A small stdio file reader that every loader takes by value and owns.
// Opening for reading takes regular files only; a file that cannot be opened,
// or is a directory, pipe or device, throws Frontend::Error naming the path
// and the cause ("cannot open file 'data/x.kdx': Permission denied").
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace FrontendExt {

class File {
public:
    File(const char* path, const char* mode);
    File(const std::string& path, const char* mode);
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    virtual ~File();

    virtual size_t read(void* destination, size_t itemSize, size_t itemCount);
    virtual size_t write(const void* source, size_t itemSize, size_t itemCount);
    // Length in bytes; rewinds to the start as a side effect.
    virtual long size();
    // origin 0 start, 1 current, 2 end; other codes do not move. Returns 0 on success.
    virtual int seek(long offset, int origin);

    // The whole file from its start, as every loader wants it: one read, then
    // parsing from memory. A short read, or a file beyond Limits::kMaxFileBytes,
    // throws Frontend::Error naming the file.
    std::vector<unsigned char> readAll();

    void close();
    const std::string& path() const { return filePath; }

private:
    std::FILE* stream = nullptr;
    std::string filePath;
};

} // namespace FrontendExt
