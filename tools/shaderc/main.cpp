// vantrel-shaderc: checks Cg files the way the demo loads them.
//
//   vantrel-shaderc [--vertex-entry NAME] [--pixel-entry NAME] [--glsl] [--time] FILE.cg...
//   vantrel-shaderc --gles OUTDIR FILE.cg...
//
// Each file's two entries go through the runtime's own path (Cg -> SPIR-V ->
// GLSL -> linked GL program, in a hidden GL context). Failures print their
// listing as "file:line: message"; --glsl prints the generated GLSL, --time
// what each step cost. --gles precompiles the files for the web build
// instead (GlesExport.h), with no GL context. The exit status is 0 only when
// every file compiles.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <epoxy/gl.h>

#include "frontend/cg/CgCompiler.h"
#include "frontend/cg/SourceText.h"
#include "frontend/Context.h"
#include "frontend/Shader.h"
#include "frontend/Version.h"
#include "tools/shaderc/GlesExport.h"

namespace {

struct Options {
    std::string vertexEntry = "vsMain";
    std::string pixelEntry = "psMain";
    bool printGlsl = false;
    bool printTimes = false;
    std::string glesDir;
    std::vector<std::string> files;
};

bool readText(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::stringstream buffer;
    buffer << file.rdbuf();
    text = buffer.str();
    return true;
}

// The first draw is where the driver compiles the program to machine code.
double firstDrawMs(Frontend::CompleteShader& shader)
{
    auto start = std::chrono::steady_clock::now();
    shader.bind();
    glBegin(GL_TRIANGLES);
    glVertexAttrib4f(0, 0, 0, 0, 1);
    glVertexAttrib4f(0, 1, 0, 0, 1);
    glVertexAttrib4f(0, 0, 1, 0, 1);
    glEnd();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The file's text, within the compiler's limits; false after saying why not.
bool readSource(const std::string& path, std::string& text)
{
    if (!readText(path, text)) {
        std::fprintf(stderr, "%s: cannot open the file\n", path.c_str());
        return false;
    }
    // The compiler reads a C string: a NUL byte would end the text there unseen.
    std::string listing = Frontend::Cg::checkSourceLimits(text, Frontend::Cg::codeOnly(text), path);
    std::fputs(listing.c_str(), stderr);
    return listing.empty();
}

bool compileFile(const Options& options, const std::string& path)
{
    std::string text;
    if (!readSource(path, text))
        return false;
    std::string listing;
    Frontend::CgCompileResult details;
    auto shader = Frontend::CompleteShader::tryCreate(text.c_str(), options.vertexEntry, options.pixelEntry, path,
                                                      listing, &details);
    if (!shader) {
        std::fputs(listing.c_str(), stderr);
        return false;
    }
    if (options.printGlsl)
        std::printf("// %s: vertex \"%s\"\n%s\n// %s: fragment \"%s\"\n%s\n", path.c_str(), options.vertexEntry.c_str(),
                    details.vertexGlsl.c_str(), path.c_str(), options.pixelEntry.c_str(), details.fragmentGlsl.c_str());
    if (options.printTimes) {
        const Frontend::CgCompileTimes& t = details.times;
        std::printf("%s: glslang %.2f ms, SPIR-V rewrite %.2f ms, SPIRV-Cross %.2f ms, GL compile+link %.2f ms, "
                    "first draw %.2f ms, compiler process %.2f ms\n",
                    path.c_str(), t.glslangMs, t.rewriteMs, t.crossMs, t.glLinkMs, firstDrawMs(*shader), t.isolationMs);
    }
    return true;
}

bool exportFiles(const Options& options)
{
    std::error_code error;
    std::filesystem::create_directories(options.glesDir, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot create the folder (%s)\n", options.glesDir.c_str(), error.message().c_str());
        return false;
    }
    bool allOk = true;
    for (const std::string& path : options.files) {
        Shaderc::GlesRequest request{path, "", options.vertexEntry, options.pixelEntry, options.glesDir};
        allOk = readSource(path, request.text) && Shaderc::exportGles(request) && allOk;
    }
    // The context's own default shader has no file; the web build loads it under this name.
    Shaderc::GlesRequest builtIn{"vantrel_default.cg", Frontend::kDefaultShaderSource, "vsMain", "psMain",
                                 options.glesDir};
    return Shaderc::exportGles(builtIn) && allOk;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app{"Compiles Cg shader files through the demo's shader path."};
    app.add_option("--vertex-entry", options.vertexEntry, "vertex entry function")->capture_default_str();
    app.add_option("--pixel-entry", options.pixelEntry, "pixel entry function")->capture_default_str();
    app.add_flag("--glsl", options.printGlsl, "print the generated GLSL");
    app.add_flag("--time", options.printTimes, "print what each compile step costs");
    app.add_option("--gles", options.glesDir, "write GLSL ES 3.00 programs and parameter tables into this folder");
    app.add_option("files", options.files, "Cg files")->required();
    app.set_version_flag("--version", Frontend::versionText("vantrel-shaderc"));
    CLI11_PARSE(app, argc, argv);
    if (!options.glesDir.empty())
        return exportFiles(options) ? 0 : 1;

    Frontend::ContextDesc desc;
    desc.hidden = true;
    desc.width = 64;
    desc.height = 64;
    Frontend::Context context(desc);

    bool allOk = true;
    for (const std::string& file : options.files)
        allOk = compileFile(options, file) && allOk;
    return allOk ? 0 : 1;
}
