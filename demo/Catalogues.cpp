#include "demo/Catalogues.h"

#include "demo/Drawable.h"
#include "demo/Element.h"
#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/ImageLoader.h"
#include "frontend/Shader.h"
#include "frontend/Texture.h"
#include "frontend_ext/QBRLoader.h"

namespace Vantrel {

namespace {

std::unique_ptr<Frontend::CompleteShader> compileShaderFile(const std::string& path)
{
    Frontend::ShaderSource source(FrontendExt::File(path, "rb"));
    if (std::string problem = source.problem(); !problem.empty())
        throw Frontend::Error(problem);
    return std::make_unique<Frontend::CompleteShader>(source.text(), "vsMain", "psMain", path);
}

} // namespace

TextureResourceProxy::TextureResourceProxy() = default;
TextureResourceProxy::~TextureResourceProxy() = default;
CompleteShaderResourceProxy::CompleteShaderResourceProxy() = default;
CompleteShaderResourceProxy::~CompleteShaderResourceProxy() = default;
VertexShaderResourceProxy::VertexShaderResourceProxy() = default;
VertexShaderResourceProxy::~VertexShaderResourceProxy() = default;
PixelShaderResourceProxy::PixelShaderResourceProxy() = default;
PixelShaderResourceProxy::~PixelShaderResourceProxy() = default;
QBRResourceProxy::QBRResourceProxy() = default;
QBRResourceProxy::~QBRResourceProxy() = default;
TargetResourceProxy::TargetResourceProxy() = default;
TargetResourceProxy::~TargetResourceProxy() = default;
DrawableResourceProxy::DrawableResourceProxy() = default;
DrawableResourceProxy::~DrawableResourceProxy() = default;

Frontend::Texture* TextureResourceProxy::loadResource(const std::string& path)
{
    FrontendExt::ImageLoader image(FrontendExt::File(path, "rb"));
    try {
        return keep(std::make_unique<Frontend::Texture>(image, Frontend::kFilterMipmap));
    } catch (const Frontend::Error& error) {
        throw Frontend::Error("picture '" + path + "': " + error.what());
    }
}

Frontend::CompleteShader* CompleteShaderResourceProxy::loadResource(const std::string& path)
{
    return keep(compileShaderFile(path));
}

Frontend::VertexShader* VertexShaderResourceProxy::loadResource(const std::string& path)
{
    programs.push_back(compileShaderFile(path));
    return &programs.back()->vertex;
}

Frontend::PixelShader* PixelShaderResourceProxy::loadResource(const std::string& path)
{
    programs.push_back(compileShaderFile(path));
    return &programs.back()->pixel;
}

FrontendExt::QBRLoader* QBRResourceProxy::loadResource(const std::string& path)
{
    return keep(std::make_unique<FrontendExt::QBRLoader>(FrontendExt::File(path, "rb"), FrontendExt::kUsageStatic,
                                                         FrontendExt::kUsageStatic));
}

void TargetResourceProxy::loadResource(Demo* demo)
{
    building = true;
    for (int i = 2; i <= 10; i++) {
        int size = 1 << i;
        Frontend::checkNativeError("Vantrel::TargetResourceProxy::loadResource", 17);
        adopt(size, std::make_unique<Element>(demo, "Untitled", size, size));
        Frontend::checkNativeError("Vantrel::TargetResourceProxy::loadResource", 19);
    }
    building = false;
}

void DrawableResourceProxy::registerDrawable(const std::string& name, Drawable* drawable)
{
    store(name, drawable);
    creationOrder.push_back(drawable);
}

} // namespace Vantrel
