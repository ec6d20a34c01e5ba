// Finding the data root and keeping the user's directory for outputs (DataPath.h).
#include "frontend/DataPath.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#ifndef VANTREL_INSTALLED_DATA_DIR
#define VANTREL_INSTALLED_DATA_DIR ""
#endif

namespace Frontend {

namespace {

// Where the process was started, once it has moved into the data root.
std::string startDirectory;

bool holdsData(const std::string& place)
{
    std::error_code error;
    return !place.empty() && std::filesystem::is_directory(std::filesystem::path(place) / "data", error);
}

} // namespace

std::string chooseDataRoot(const DataPlaces& places)
{
    for (const std::string* place : {&places.current, &places.besideProgram, &places.installed})
        if (holdsData(*place))
            return *place;
    return "";
}

DataPlaces processDataPlaces()
{
    DataPlaces places;
    std::error_code error;
    places.current = std::filesystem::current_path(error).string();
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        places.besideProgram = program.parent_path().string();
    places.installed = VANTREL_INSTALLED_DATA_DIR;
    return places;
}

std::string enterDataRoot(const DataPlaces& places)
{
    std::string root = chooseDataRoot(places);
    if (root.empty() || root == places.current)
        return "";
    if (chdir(root.c_str()) != 0)
        return "cannot enter the data folder " + root + ": " + std::strerror(errno);
    startDirectory = places.current;
    return "";
}

std::string enterDataRoot()
{
    return enterDataRoot(processDataPlaces());
}

std::string outputPath(const std::string& path)
{
    if (path.empty() || startDirectory.empty() || std::filesystem::path(path).is_absolute())
        return path;
    return (std::filesystem::path(startDirectory) / path).string();
}

} // namespace Frontend
