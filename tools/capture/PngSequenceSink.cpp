// Numbered PNG pictures in a folder, created when missing.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"
#include "tools/capture/FrameSink.h"

namespace Capture {

namespace fs = std::filesystem;

namespace {

// Low compression: PNG encoding would otherwise dominate the time per frame.
constexpr int kPngCompression = 3;

void checkWritableFolder(const std::string& directory)
{
    std::error_code error;
    fs::path folder(directory);
    if (fs::exists(folder, error) && !fs::is_directory(folder, error))
        throw Frontend::Error("cannot write frames to " + directory + ": it exists and is not a folder");
    fs::create_directories(folder, error);
    if (error)
        throw Frontend::Error("cannot create the folder " + directory + ": " + error.message());
    // A probe file tells more than permission bits (read-only mounts, ACLs).
    fs::path probe = folder / ".vantrel-capture-probe";
    {
        std::ofstream file(probe);
        if (!file)
            throw Frontend::Error("cannot write into the folder " + directory);
    }
    fs::remove(probe, error);
}

} // namespace

PngSequenceSink::PngSequenceSink(const std::string& directory, int width, int height, std::vector<bool> kept)
    : folder(directory), frameWidth(width), frameHeight(height), keptFrames(std::move(kept))
{
    checkWritableFolder(directory);
    pathBuffer.reserve(folder.size() + 32);
    partBuffer.reserve(folder.size() + 40);
}

std::string PngSequenceSink::frameName(long index)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06ld.png", index);
    return name;
}

void PngSequenceSink::writeFrame(const unsigned char* rgbTopFirst)
{
    while (written < static_cast<long>(keptFrames.size()) && keptFrames[static_cast<std::size_t>(written)])
        ++written;
    pathBuffer.assign(folder);
    pathBuffer += '/';
    pathBuffer += frameName(written);
    // Written under a temporary name first, so that a frame cut short by a full
    // disk or an error never stands in the folder as if it were whole.
    partBuffer.assign(pathBuffer);
    partBuffer += ".part";
    try {
        FrontendExt::writePng(partBuffer.c_str(), frameWidth, frameHeight, rgbTopFirst, kPngCompression);
    } catch (...) {
        std::remove(partBuffer.c_str());
        throw;
    }
    if (std::rename(partBuffer.c_str(), pathBuffer.c_str()) != 0) {
        std::remove(partBuffer.c_str());
        throw Frontend::Error("cannot write " + pathBuffer);
    }
    ++written;
    ++added;
}

std::string PngSequenceSink::describe() const
{
    long kept = static_cast<long>(std::count(keptFrames.begin(), keptFrames.end(), true));
    if (kept == 0)
        return std::to_string(added) + " frames in " + folder + "/";
    return std::to_string(added) + " frames in " + folder + "/ beside " + std::to_string(kept) + " kept";
}

std::vector<bool> framesOnDisk(const std::string& directory, long count, int width, int height)
{
    std::vector<bool> kept(static_cast<std::size_t>(count), false);
    for (long i = 0; i < count; ++i) {
        const std::string path = directory + "/" + PngSequenceSink::frameName(i);
        std::ifstream file(path, std::ios::binary);
        if (!file)
            continue;
        // The PNG signature, then the IHDR chunk: width and height, big-endian, at bytes 16 to 23.
        unsigned char head[24] = {};
        file.read(reinterpret_cast<char*>(head), sizeof head);
        auto bigEndian = [&](int at) {
            return (long(head[at]) << 24) | (long(head[at + 1]) << 16) | (long(head[at + 2]) << 8) | long(head[at + 3]);
        };
        if (!file || std::memcmp(head + 1, "PNG", 3) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0)
            throw Frontend::Error(path + " is not a PNG picture; --resume only continues a folder of captured frames");
        if (bigEndian(16) != width || bigEndian(20) != height)
            throw Frontend::Error(path + " is " + std::to_string(bigEndian(16)) + "x" + std::to_string(bigEndian(20)) +
                                  ", not the " + std::to_string(width) + "x" + std::to_string(height) +
                                  " asked for; resume with the options of the interrupted capture");
        kept[static_cast<std::size_t>(i)] = true;
    }
    return kept;
}

} // namespace Capture
