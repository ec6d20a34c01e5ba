// The build's identity for --version: the project version and the git
// description of the tree it was built from (both fixed when CMake configures).
//
//   std::puts(Frontend::versionText("vantrel").c_str());  // "vantrel 1.0.0 (git v1.0-3-gabc1234)"
#pragma once

#include <string>

namespace Frontend {

const char* projectVersion();
const char* gitDescription();
std::string versionText(const std::string& program);

} // namespace Frontend
