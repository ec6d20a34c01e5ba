// FrontendExt::File: the stdio reader every loader takes by value. Ownership
// of the stream moves with the object, so a loader that receives a File closes
// it when it is done (or when it fails), and nobody closes it twice.
#include "frontend/File.h"

#include <utility>

#include "frontend/Error.h"

namespace FrontendExt {

File::File(const char* path, const char* mode) : filePath(path ? path : "")
{
    stream = path ? std::fopen(path, mode) : nullptr;
    if (!stream)
        throw Frontend::Error("cannot open file '" + filePath + "'");
}

File::File(const std::string& path, const char* mode) : File(path.c_str(), mode) {}

File::File(File&& other) noexcept
    : stream(std::exchange(other.stream, nullptr)), filePath(std::move(other.filePath))
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
    default: return -1;  // an unknown origin code leaves the position where it is
    }
}

std::vector<unsigned char> File::readAll()
{
    long length = size();
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
