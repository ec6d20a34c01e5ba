#include "demo/ResourceProxy.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "frontend/Error.h"

namespace Vantrel {

std::string describeKey(std::string_view key)
{
    return std::string(key);
}

std::string describeKey(int key)
{
    return std::to_string(key);
}

std::vector<std::string> listMatchingFiles(const std::string& directory, const std::string& pattern)
{
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(directory, error);
    // A missing folder simply has nothing to load; one that is there but cannot
    // be listed would look empty and the first missing file be blamed instead.
    if (error == std::errc::no_such_file_or_directory)
        return names;
    if (error)
        throw Frontend::Error(directory + ": cannot list the folder (" + error.message() + ")");
    for (const auto& entry : it) {
        std::string name = entry.path().filename().string();
        // The original platform matched wildcards without regard to case.
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace Vantrel
