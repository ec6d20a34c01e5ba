// Reckoning a scene's draw calls per frame at load.
#include "prod/DrawBudget.h"

#include <utility>

#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend/Limits.h"
#include "frontend_ext/QBRLoader.h"
#include "scene/KDXLoader.h"

namespace Prod {

DrawBudget::DrawBudget(std::string sceneName) : scene(std::move(sceneName))
{
}

DrawBudget& DrawBudget::add(long long copies, long long meshes, const std::string& file)
{
    if (!terms.empty())
        terms += " + ";
    terms += std::to_string(copies) + " x " + std::to_string(meshes) + " meshes of " + file;
    sum += copies * meshes;
    return *this;
}

void DrawBudget::check() const
{
    if (sum > Frontend::Limits::kMaxDrawCallsPerScene)
        throw Frontend::Error(scene + ": " + terms + " make " + std::to_string(sum) +
                              " draw calls per frame, more than the limit of " +
                              std::to_string(Frontend::Limits::kMaxDrawCallsPerScene) + " per scene");
}

long long qbrMeshCount(const Vantrel::Demo& demo, const std::string& name)
{
    return demo.meshes.contains(name) ? demo.meshes[name]->meshCount() : 0;
}

long long kdxMeshCount(const Scene::KDXLoader& scene)
{
    return static_cast<long long>(scene.geometries.size());
}

} // namespace Prod
