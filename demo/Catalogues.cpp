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

Frontend::CompleteShader* compileShaderFile(const std::string& path)
{
    Frontend::ShaderSource source(FrontendExt::File(path, "rb"));
    return new Frontend::CompleteShader(source.text(), "vsMain", "psMain", path);
}

} // namespace

Frontend::Texture* TextureResourceProxy::loadResource(const std::string& path)
{
    FrontendExt::ImageLoader image(FrontendExt::File(path, "rb"));
    try {
        return new Frontend::Texture(image, Frontend::kFilterMipmap);
    } catch (const Frontend::Error& error) {
        throw Frontend::Error("picture '" + path + "': " + error.what());
    }
}

Frontend::CompleteShader* CompleteShaderResourceProxy::loadResource(const std::string& path)
{
    return compileShaderFile(path);
}

Frontend::VertexShader* VertexShaderResourceProxy::loadResource(const std::string& path)
{
    return &compileShaderFile(path)->vertex;
}

Frontend::PixelShader* PixelShaderResourceProxy::loadResource(const std::string& path)
{
    return &compileShaderFile(path)->pixel;
}

FrontendExt::QBRLoader* QBRResourceProxy::loadResource(const std::string& path)
{
    return new FrontendExt::QBRLoader(FrontendExt::File(path, "rb"), FrontendExt::kUsageStatic,
                                      FrontendExt::kUsageStatic);
}

void TargetResourceProxy::loadResource(Demo* demo)
{
    building = true;
    for (int i = 2; i <= 10; i++) {
        int size = 1 << i;
        Frontend::checkNativeError("Vantrel::TargetResourceProxy::loadResource", 17);
        Element* target = new Element(demo, "Untitled", size, size);
        Frontend::checkNativeError("Vantrel::TargetResourceProxy::loadResource", 19);
        store(size, target);
    }
    building = false;
}

void DrawableResourceProxy::registerDrawable(const std::string& name, Drawable* drawable)
{
    store(name, drawable);
    creationOrder.push_back(drawable);
}

} // namespace Vantrel
