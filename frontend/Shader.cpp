// Placeholder implementation so the rest of the front end links while the
// compiler path is being built.
#include "frontend/Shader.h"

#include "frontend/Texture.h"

namespace Frontend {

const char* const kDefaultShaderSource =
    "float4x4 StateComplete;\n"
    "float4 vsMain(float4 position : POSITION) : POSITION { return mul(StateComplete, position); }\n"
    "float4 psMain() : COLOR { return float4(1, 1, 1, 1); }\n";

ShaderSource::ShaderSource(FrontendExt::File file) : filePath(file.path()) {
    long length = file.size();
    source.resize(length > 0 ? static_cast<size_t>(length) : 0);
    if (!source.empty())
        source.resize(file.read(source.data(), 1, source.size()));
    file.close();
}

CgContext::CgContext() = default;
CgContext::~CgContext() = default;

struct CompleteShader::Impl {};

CompleteShader::CompleteShader(const char*, const std::string&, const std::string&, const std::string&)
    : impl(std::make_unique<Impl>()) {}
CompleteShader::~CompleteShader() = default;

void CompleteShader::bind() {}
void CompleteShader::setTexture(std::string_view, const Texture*) {}
void CompleteShader::disableTexture(std::string_view) {}
void CompleteShader::setFloat(std::string_view, float) {}
void CompleteShader::setFloat4(std::string_view, float, float, float, float) {}
void CompleteShader::setStateMatrices() {}
bool CompleteShader::hasParameter(std::string_view) const { return false; }
unsigned CompleteShader::glProgram() const { return 0; }

} // namespace Frontend
