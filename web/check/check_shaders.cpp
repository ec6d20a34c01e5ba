// vantrel-web-check-shaders FOLDER: run under Node.js, the wasm build reads
// every parameter table that the native vantrel-shaderc --gles wrote, with the
// reader the page uses, and checks each table against its two GLSL files: a
// name the table promises must be declared by the stage it names, or the page
// would set nothing. Prints each fault as "file:line: problem"; exit status 1
// on any.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frontend/cg/GlesTable.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The declaration's name as it stands in the GLSL: arrays are set element by element.
std::string declaredName(const std::string& glslName)
{
    return glslName.substr(0, glslName.find('['));
}

bool declares(const std::string& glsl, const std::string& name)
{
    for (size_t at = glsl.find(name); at != std::string::npos; at = glsl.find(name, at + 1)) {
        char after = at + name.size() < glsl.size() ? glsl[at + name.size()] : ';';
        if (at > 0 && glsl[at - 1] == ' ' && (after == ';' || after == '['))
            return true;
    }
    return false;
}

bool checkTable(const fs::path& table)
{
    std::string base = table.string().substr(0, table.string().size() - std::string(".params").size());
    Frontend::CgCompileResult program;
    std::string error;
    if (!Frontend::Cg::readGlesTable(readFile(table), table.string(), program, error)) {
        std::printf("%s\n", error.c_str());
        return false;
    }
    std::string vertex = readFile(base + ".vert");
    std::string fragment = readFile(base + ".frag");
    bool ok = true;
    for (const Frontend::CgParameter& p : program.parameters) {
        std::string name = declaredName(p.glslName);
        if ((p.vertex && !declares(vertex, name)) || (p.fragment && !declares(fragment, name))) {
            std::printf("%s:1: parameter %s is not declared by the stage the table names\n", table.string().c_str(),
                        p.cgName.c_str());
            ok = false;
        }
    }
    for (const Frontend::CgAttribute& a : program.attributes)
        if (!declares(vertex, a.glslName)) {
            std::printf("%s:1: attribute %s is not declared by the vertex stage\n", table.string().c_str(),
                        a.glslName.c_str());
            ok = false;
        }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: vantrel-web-check-shaders FOLDER\n");
        return 2;
    }
    int tables = 0;
    bool ok = true;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[1], error))
        if (entry.path().extension() == ".params") {
            ok = checkTable(entry.path()) && ok;
            ++tables;
        }
    if (error || tables == 0) {
        std::printf("%s: no parameter tables (%s)\n", argv[1], error ? error.message().c_str() : "none found");
        return 1;
    }
    std::printf("%d tables read and checked\n", tables);
    return ok ? 0 : 1;
}
