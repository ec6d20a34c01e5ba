// Precompiled GLSL ES 3.00 programs for the web build, where neither glslang
// nor SPIRV-Cross runs: each Cg file goes through the desktop's compile path
// with the ES target, and OUTDIR receives NAME.cg.vert, NAME.cg.frag and the
// parameter table NAME.cg.params (format in frontend/cg/GlesTable.h).
#pragma once

#include <string>

namespace Shaderc {

struct GlesRequest {
    std::string path; // the Cg file, as listings name it
    std::string text; // its contents, already within the source limits
    std::string vertexEntry;
    std::string pixelEntry;
    std::string outDir;
};

// Writes the three files; on failure prints "file:line: message" lines to stderr and returns false.
bool exportGles(const GlesRequest& request);

} // namespace Shaderc
