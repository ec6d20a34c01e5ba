// Cg shaders.
//
// A CompleteShader is a vertex program and a fragment program compiled from
// one Cg source (glslang's HLSL front end in DX9 mode -> SPIR-V -> SPIRV-Cross
// -> GLSL -> one linked GL program). Parameters are set by their Cg names;
// a name that a program does not declare is skipped silently, and values stay
// with the program across binds of other shaders.
//
//   Frontend::CompleteShader shader(source, "vsMain", "psMain", "glow.cg");
//   shader.bind();
//   shader.setFloat("alpha", 0.5f);
//   shader.setTexture("tex0", texture);   // fragment program only
//   shader.setStateMatrices(Frontend::State::computeStateMatrices());  // "StateWorld" ... "StateComplete"
//
// A compile error ends the process through CGerror with the compiler listing.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/File.h"
#include "frontend/cg/CgResult.h"

namespace Frontend {

class Texture;
struct StateMatrices;

constexpr int kVertexProfile = 6150;   // arbvp1
constexpr int kFragmentProfile = 7000; // arbfp1

// The text of one shader file, NUL-terminated.
class ShaderSource {
public:
    explicit ShaderSource(FrontendExt::File file);
    const char* text() const { return source.c_str(); }
    // What makes the file unfit to compile before any library reads it (a NUL
    // byte would end text() unseen, the size and nesting limits), or "".
    std::string problem() const;
    const std::string& path() const { return filePath; }

private:
    std::string source;
    std::string filePath;
};

// The shader compiler context: keeps the last compiler listing (what the
// error handler shows) and the one-time compiler set-up. The newest one is
// current until its owner makes another current; a shader that fails to
// compile leaves its listing with the current one.
class CgContext {
public:
    CgContext();
    ~CgContext();
    void makeCurrent();
    static CgContext* current();
    const std::string& lastListing() const { return listing; }
    void setLastListing(std::string text) { listing = std::move(text); }

private:
    std::string listing;
};

class ShaderProgramImpl; // the compiled stage plus its parameter table

class VertexShader {
public:
    int profile = kVertexProfile;
    std::shared_ptr<ShaderProgramImpl> program;
};

class PixelShader {
public:
    int profile = kFragmentProfile;
    std::shared_ptr<ShaderProgramImpl> program;
};

class CompleteShader {
public:
    // fileName is used in compiler listings ("name.cg:4: ...") and to resolve #include.
    CompleteShader(const char* source, const std::string& vertexEntry, const std::string& pixelEntry,
                   const std::string& fileName = "<built-in>");
    ~CompleteShader();
    CompleteShader(const CompleteShader&) = delete;
    CompleteShader& operator=(const CompleteShader&) = delete;

    void bind();
    void setTexture(std::string_view name, const Texture* texture);
    void disableTexture(std::string_view name);
    void setFloat(std::string_view name, float value);
    void setFloat4(std::string_view name, float x, float y, float z, float w);
    void setStateMatrices(const StateMatrices& matrices);

    // Like the constructor, but a failure returns null with the compiler listing
    // in listing instead of ending the process (tools and tests). details, when
    // given, receives the generated GLSL and the compile times.
    static std::unique_ptr<CompleteShader> tryCreate(const char* source, const std::string& vertexEntry,
                                                     const std::string& pixelEntry, const std::string& fileName,
                                                     std::string& listing, CgCompileResult* details = nullptr);

    // Takes over the programs of `fresh` (a recompile of the same file), so that
    // everyone holding this shader draws with the new code from now on; fresh
    // gets the old programs. Values set since the build carry over by name and
    // type; values still at their initialiser take the new initialiser.
    void adopt(CompleteShader& fresh);

    // Whether either program declares the parameter (tests and tools).
    bool hasParameter(std::string_view name) const;
    unsigned glProgram() const;

    VertexShader vertex;
    PixelShader pixel;

private:
    CompleteShader();
    bool build(const char* source, const std::string& vertexEntry, const std::string& pixelEntry,
               const std::string& fileName, std::string& listing, CgCompileResult* details);
    // The last step of both platforms' build: links the generated stages and
    // fills the parameter table; linkMs is set when it succeeds (ShaderTable.cpp).
    bool link(const CgCompileResult& compiled, const std::string& fileName, const std::string& vertexEntry,
              const std::string& pixelEntry, std::string& listing, double& linkMs);

    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The Cg source of the default shader: positions times "StateComplete", opaque white.
extern const char* const kDefaultShaderSource;


// ---- Below: the parameter table the desktop's Shader.cpp and the web's
// (web/platform/Shader.cpp) share: every Cg parameter with its GL location,
// sampler unit and value, filled once the program is linked. Lookups compare
// string_views against the table, so the per-frame set* calls neither
// allocate nor query GL. How a value reaches its program, and the few GL
// questions the table asks, are each platform's own. Callers need none of it.

// One stage of a complete shader: its GL shader object and generated GLSL.
class ShaderProgramImpl {
public:
    unsigned shader = 0;
    std::string glsl;
};

struct CompleteShader::Impl {
    struct Parameter {
        std::string cgName;
        int location = -1;
        CgParameterType type = CgParameterType::Other;
        bool vertex = false;
        bool fragment = false;
        unsigned target = 0; // samplers
        int unit = -1;       // samplers
        float value[4] = {0, 0, 0, 0};
        float initial[4] = {0, 0, 0, 0}; // the value after the build, to tell set values apart
    };

    unsigned program = 0;
    std::vector<Parameter> parameters;
    int stateMatrix[6] = {-1, -1, -1, -1, -1, -1};

    Parameter* find(std::string_view name, bool fragmentSampler);
    // Locations, sampler units (given to the program), the State matrices
    // and the initialisers of a freshly linked program.
    void fill(const CgCompileResult& compiled);
    // Hands a parameter's value to the program (the platform's).
    void upload(const Parameter& p) const;
};

bool isSampler(CgParameterType type);

// The platform's answers for fill().
int uniformLocation(unsigned program, const std::string& glslName);
void setSamplerUnit(unsigned program, int location, int unit);
int combinedTextureUnits();
unsigned samplerTarget(CgParameterType type);


} // namespace Frontend
