// Writes the GLSL ES stages and parameter table of one Cg file; see GlesExport.h.
#include "tools/shaderc/GlesExport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "frontend/cg/CgCompiler.h"
#include "frontend/cg/GlesTable.h"

namespace Shaderc {

namespace {

bool writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file)
        return true;
    std::fprintf(stderr, "%s: cannot write the file\n", path.string().c_str());
    return false;
}

// The line that declares a sampler, or 1 where a macro or an include hides it.
int declarationLine(const std::string& text, const std::string& name)
{
    int line = 1;
    for (size_t at = 0; at < text.size(); ++line) {
        size_t end = std::min(text.find('\n', at), text.size());
        std::string_view row(text.data() + at, end - at);
        if (row.find("sampler1D") != std::string_view::npos && row.find(name) != std::string_view::npos)
            return line;
        at = end + 1;
    }
    return 1;
}

// WebGL 2 has no one-dimensional textures, so such a program could never be bound there.
bool checkEsSamplers(const GlesRequest& request, const Frontend::CgCompileResult& compiled)
{
    for (const Frontend::CgParameter& p : compiled.parameters)
        if (p.type == Frontend::CgParameterType::Sampler1D && p.fragment) {
            std::fprintf(stderr, "%s:%d: sampler \"%s\" is one-dimensional, which GLSL ES 3.00 lacks\n",
                         request.path.c_str(), declarationLine(request.text, p.cgName), p.cgName.c_str());
            return false;
        }
    return true;
}

} // namespace

bool exportGles(const GlesRequest& request)
{
    Frontend::CgCompileInput input{request.text.c_str(), request.vertexEntry, request.pixelEntry, request.path};
    input.gles = true;
    Frontend::CgCompileResult compiled = Frontend::compileCgShader(input);
    if (!compiled.ok) {
        std::fputs(compiled.listing.c_str(), stderr);
        return false;
    }
    if (!checkEsSamplers(request, compiled))
        return false;
    std::filesystem::path base = std::filesystem::path(request.outDir) / std::filesystem::path(request.path).filename();
    return writeText(base.string() + ".vert", compiled.vertexGlsl) &&
           writeText(base.string() + ".frag", compiled.fragmentGlsl) &&
           writeText(base.string() + ".params", Frontend::Cg::writeGlesTable(compiled));
}

} // namespace Shaderc
