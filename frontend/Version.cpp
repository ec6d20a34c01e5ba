// The configured version strings (Version.h).
#include "frontend/Version.h"

#include "VantrelVersion.h" // generated into the build folder

namespace Frontend {

const char* projectVersion()
{
    return VANTREL_VERSION;
}

const char* gitDescription()
{
    return VANTREL_GIT_DESCRIPTION;
}

std::string versionText(const std::string& program)
{
    return program + " " + projectVersion() + " (git " + gitDescription() + ")";
}

} // namespace Frontend
