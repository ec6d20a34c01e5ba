// libFuzzer target for the Cg compile path, stages up to GLSL (no GL context).
//
// Each input is a shader source with entries "vsMain" and "psMain". By default
// the stages run in this process, so the fuzzer sees their coverage and a
// library fault stops it with the input; VANTREL_FUZZ_ISOLATED=1 runs the
// path the demo uses (a child process per shader), where every input must end
// in a result or a listing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontend/cg/CgCompiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool isolated = std::getenv("VANTREL_FUZZ_ISOLATED") != nullptr;
    std::string source(reinterpret_cast<const char*>(data), size);
    Frontend::CgCompileInput input;
    input.source = source.c_str();
    input.fileName = "fuzz.cg";
    input.isolated = isolated;
    Frontend::CgCompileResult result = Frontend::compileCgShader(input);
    if (!result.ok && result.listing.empty())
        std::abort(); // every failure must say why
    return 0;
}
