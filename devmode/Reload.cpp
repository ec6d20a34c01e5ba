#include "devmode/Reload.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/ImageLoader.h"
#include "frontend/Shader.h"
#include "frontend/Texture.h"

namespace Vantrel {

namespace {

bool endsWith(const std::string& name, const char* extension)
{
    const std::string ext = extension;
    if (name.size() <= ext.size())
        return false;
    return std::equal(ext.rbegin(), ext.rend(), name.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

ReloadResult reloadShader(Demo& demo, const std::string& path, const std::string& name)
{
    Frontend::ShaderSource source(FrontendExt::File(path, "rb"));
    ReloadResult result;
    result.listing = source.problem();
    std::unique_ptr<Frontend::CompleteShader> fresh =
        result.listing.empty()
            ? Frontend::CompleteShader::tryCreate(source.text(), "vsMain", "psMain", path, result.listing)
            : nullptr;
    if (!fresh) {
        result.message = path + " does not compile; the last good version stays in use";
        return result;
    }
    if (demo.shaders.contains(name))
        demo.shaders[name]->adopt(*fresh);
    else
        demo.shaders.adopt(name, std::move(fresh));
    result.ok = true;
    result.message = "reloaded " + path;
    return result;
}

ReloadResult reloadPicture(Demo& demo, const std::string& path, const std::string& name)
{
    FrontendExt::ImageLoader image(FrontendExt::File(path, "rb"));
    if (demo.textures.contains(name)) {
        Frontend::Texture* texture = demo.textures[name];
        texture->setData(image.width(), image.height(), image.data(), image.format(), texture->filter());
    } else {
        demo.textures.adopt(name, std::make_unique<Frontend::Texture>(image, Frontend::kFilterMipmap));
    }
    ReloadResult result;
    result.ok = true;
    result.message = "reloaded " + path;
    return result;
}

} // namespace

ReloadKind reloadKindOf(const std::string& folder, const std::string& name)
{
    if (endsWith(name, ".cg"))
        return ReloadKind::Shader;
    if (folder == "data/" && (endsWith(name, ".jpg") || endsWith(name, ".png")))
        return ReloadKind::Picture;
    return ReloadKind::None;
}

ReloadResult reloadFile(Demo& demo, const std::string& folder, const std::string& name)
{
    const std::string path = folder + name;
    try {
        switch (reloadKindOf(folder, name)) {
        case ReloadKind::Shader: return reloadShader(demo, path, name);
        case ReloadKind::Picture: return reloadPicture(demo, path, name);
        case ReloadKind::None: break;
        }
    } catch (const Frontend::Error& error) {
        // Unreadable or undecodable: the loaders name the file and the problem.
        ReloadResult failed;
        failed.message = std::string(error.what()) + "; the last good version stays in use";
        return failed;
    }
    return {};
}

} // namespace Vantrel
