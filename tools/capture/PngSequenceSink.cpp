// Numbered PNG pictures in a folder, created when missing.
#include <cstdio>
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

PngSequenceSink::PngSequenceSink(const std::string& directory, int width, int height)
    : folder(directory), frameWidth(width), frameHeight(height)
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
}

std::string PngSequenceSink::describe() const
{
    return std::to_string(written) + " frames in " + folder + "/";
}

} // namespace Capture
