// Playback of a KDX scene: evaluates every node's keyed transform at a time,
// composes them down the node tree on the world-matrix stack, sorts the world
// matrices into instance lists by node kind, draws the meshes, and places a
// camera from a camera node.
//
//   Scene::KDXLoader paths(file);               // every mesh node becomes a Geometry
//   paths.evaluate(t);                          // instance lists for time t
//   for (auto& i : paths.meshInstances) ...     // node + world matrix, depth first
//   paths.setCamera("Camera01", t, 1.7777f);
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend_ext/Geometry.h"
#include "frontend_ext/KDXScene.h"

namespace Scene {

struct Instance {
    const Node* node;
    float world[16];
};

class KDXLoader : public FrontendExt::Batch, public Halvane::Scene {
public:
    explicit KDXLoader(FrontendExt::File file);
    virtual ~KDXLoader() = default;

    virtual void draw() { draw(0.0f); }
    virtual void draw(float time);

    const Node* findNode(const std::string& name) const;
    FrontendExt::Geometry* findGeometry(const std::string& name) const;
    FrontendExt::Geometry* geometryOf(const Node* node) const;

    void evaluate(float time);
    void applyCamera(const CameraNode* camera, float time, float aspect);
    void setCamera(const std::string& name, float time, float aspect);

    std::map<const Node*, std::unique_ptr<FrontendExt::Geometry>> geometries;

    // Camera state written by applyCamera.
    float eye[3] = {};
    float target[3] = {};
    float fov = 45.0f, zNear = 1.0f, zFar = 1000.0f, aspect = 1.0f;
    // Whether eye and target above were ever a view lookAt can form; until
    // then a camera without one leaves the view as the identity.
    bool hasView = false;

    // Rebuilt by every evaluate; storage is kept, so a steady scene allocates nothing.
    std::vector<Instance> parameterInstances; // kind 2
    std::vector<Instance> meshInstances;      // kind 1
    std::vector<Instance> kind5Instances;     // kind 5
    std::vector<Instance> plainInstances;     // kinds 0 and 4
    std::vector<Instance> cameraInstances;    // kind 3

private:
    void refuseStillCamerasWithoutView(const std::string& fileName) const;
    void convertTree(const Node& node);
    void visit(const Node& node, float time);
    std::vector<Instance>& listFor(int kind);
};

} // namespace Scene
