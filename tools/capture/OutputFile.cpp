// Temporary names for outputs being written; see OutputFile.h.
#include "tools/capture/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "frontend/Error.h"

namespace Capture {

std::string partialPath(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string::npos || dot <= nameStart)
        return path + ".partial";
    return path.substr(0, dot) + ".partial" + path.substr(dot);
}

void commitPartial(const std::string& partial, const std::string& path)
{
    if (std::rename(partial.c_str(), path.c_str()) != 0)
        throw Frontend::Error("cannot give " + partial + " its name " + path + ": " + std::strerror(errno));
}

} // namespace Capture
