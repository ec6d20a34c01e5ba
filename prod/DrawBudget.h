// The draw calls a scene will issue per frame, reckoned when the scene is made
// from how often it draws each file and how many meshes that file holds, and
// refused beyond Frontend::Limits::kMaxDrawCallsPerScene with a message that
// names the files and the numbers.
//
//   Prod::DrawBudget budget("Prod::Pils");
//   budget.add(100, qbrMeshCount(*demo, "gaffel.qbr"), "data/gaffel.qbr");
//   budget.check();
#pragma once

#include <string>
#include <vector>

namespace Vantrel {
class Demo;
}

namespace Scene {
class KDXLoader;
}

namespace Prod {

class DrawBudget {
public:
    explicit DrawBudget(std::string scene);

    // `copies` draws of every one of `meshes` meshes of `file`.
    DrawBudget& add(long long copies, long long meshes, const std::string& file);
    long long total() const { return sum; }
    // Throws Frontend::Error when the total is beyond the limit.
    void check() const;

private:
    std::string scene;
    std::string terms;
    long long sum = 0;
};

// Meshes of a catalogued QBR file; none when it is not there (drawing it then
// reports the missing file by name).
long long qbrMeshCount(const Vantrel::Demo& demo, const std::string& name);
// Mesh nodes of a KDX scene, each drawn once per draw of the scene.
long long kdxMeshCount(const Scene::KDXLoader& scene);

} // namespace Prod
