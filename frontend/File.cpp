// FrontendExt::File: the stdio reader every loader takes by value. Ownership
// of the stream moves with the object, so a loader that receives a File closes
// it when it is done (or when it fails), and nobody closes it twice.
#include "frontend/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "frontend/Error.h"
#include "frontend/Limits.h"

namespace FrontendExt {

namespace {

[[noreturn]] void failOpen(const std::string& path, const std::string& cause)
{
    throw Frontend::Error("cannot open file '" + path + "': " + cause);
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

// Reading takes regular files only: a pipe or a device would block or never
// end, and a directory has no length. The open does not wait for a pipe's
// writer, and the check is made on what was opened, not on the name.
std::FILE* openForReading(const std::string& path, const char* mode)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        failOpen(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int cause = errno;
        ::close(fd);
        failOpen(path, std::strerror(cause));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        failOpen(path, std::string("it is ") + kindOf(info.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) {
        const int cause = errno;
        ::close(fd);
        failOpen(path, std::strerror(cause));
    }
    return stream;
}

bool readOnly(const char* mode)
{
    return mode[0] == 'r' && !std::strchr(mode, '+');
}

} // namespace

File::File(const char* path, const char* mode) : filePath(path ? path : "")
{
    if (!path || !mode)
        failOpen(filePath, "no file name or mode");
    if (readOnly(mode)) {
        stream = openForReading(filePath, mode);
        return;
    }
    stream = std::fopen(path, mode);
    if (!stream)
        failOpen(filePath, std::strerror(errno));
}

File::File(const std::string& path, const char* mode) : File(path.c_str(), mode)
{
}

File::File(File&& other) noexcept : stream(std::exchange(other.stream, nullptr)), filePath(std::move(other.filePath))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        stream = std::exchange(other.stream, nullptr);
        filePath = std::move(other.filePath);
    }
    return *this;
}

File::~File()
{
    close();
}

size_t File::read(void* destination, size_t itemSize, size_t itemCount)
{
    return stream ? std::fread(destination, itemSize, itemCount, stream) : 0;
}

size_t File::write(const void* source, size_t itemSize, size_t itemCount)
{
    return stream ? std::fwrite(source, itemSize, itemCount, stream) : 0;
}

long File::size()
{
    if (!stream)
        return 0;
    std::fseek(stream, 0, SEEK_END);
    long length = std::ftell(stream);
    std::rewind(stream);
    return length < 0 ? 0 : length;
}

int File::seek(long offset, int origin)
{
    if (!stream)
        return -1;
    switch (origin) {
    case 0: return std::fseek(stream, offset, SEEK_SET);
    case 1: return std::fseek(stream, offset, SEEK_CUR);
    case 2: return std::fseek(stream, offset, SEEK_END);
    default: return -1; // an unknown origin code leaves the position where it is
    }
}

std::vector<unsigned char> File::readAll()
{
    long length = size();
    if (static_cast<uint64_t>(length) > Frontend::Limits::kMaxFileBytes)
        throw Frontend::Error(filePath + ": " + std::to_string(length) + " bytes is more than the largest file read (" +
                              std::to_string(Frontend::Limits::kMaxFileBytes >> 20) + " MiB)");
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    size_t got = bytes.empty() ? 0 : read(bytes.data(), 1, bytes.size());
    if (got != bytes.size())
        throw Frontend::Error(filePath + ": read " + std::to_string(got) + " of " + std::to_string(length) + " bytes");
    return bytes;
}

void File::close()
{
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
}

} // namespace FrontendExt
