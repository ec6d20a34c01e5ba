// KDX scenes: a list of materials and a tree of keyed nodes (meshes, cameras,
// plain nodes) written by the Halvane exporter, read whole into memory.
//
//   Halvane::Scene scene(file);          // scene.errorText is empty after a good load
//   for (auto& root : scene.roots) ...   // nodes in file order, children below them
//
// All integers are 32-bit little-endian, reals single-precision floats, flags
// single bytes; a string is an int32 byte count followed by the bytes. A file
// with another tag ("KDX115" expected) gives an empty scene and an error text;
// a damaged file (bad counts or kinds, indices out of range, an early end)
// throws Frontend::Error naming the file and the problem.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "frontend/File.h"
#include "frontend_ext/Tracks.h"

namespace Scene {

struct Material {
    std::string strings[12]; // 1 name, 3 colour texture, 5 bump map; the rest are kept
    float colors[4][3] = {}; // colour 2 (index 1) is the diffuse colour of colour-only materials
    float scalars[3] = {};   // scalar 1 (index 0) is the alpha

    const std::string& name() const { return strings[0]; }
    const std::string& colorTexture() const { return strings[2]; }
    const std::string& bumpMap() const { return strings[4]; }
};

enum NodeKind { kNodePlain = 0, kNodeMesh = 1, kNodeParameter = 2, kNodeCamera = 3, kNodePlain4 = 4, kNodeKind5 = 5 };

struct Node {
    virtual ~Node() = default;

    // Keyed values at time t in the program's frame (the file's z becomes y,
    // its y becomes -z); a track of fewer than two keys gives the rest value.
    Vec3 position(float t) const;
    Vec3 scale(float t) const;
    // Angle in degrees and axis, ready for a matrix rotation.
    void rotation(float t, float& degrees, Vec3& axis) const;

    std::string name;
    int kind = kNodePlain;
    Vec3 restPosition;
    Quaternion restRotation;
    Vec3 restScale{1.0f, 1.0f, 1.0f};
    VectorTrack positionTrack;
    RotationTrack rotationTrack;
    VectorTrack scaleTrack;
    std::vector<std::unique_ptr<Node>> children;
};

struct MeshNode : Node {
    MeshNode() { kind = kNodeMesh; }

    std::string materialName;           // as written in the file
    const Material* material = nullptr; // resolved against the scene's materials; none when empty or unknown
    bool hasNormals = false, hasBinormals = false, hasTangents = false, hasColors = false, hasExtra = false;
    bool hasChannel[8] = {};
    bool hasInfluences = false;
    int vertexCount = 0;
    std::vector<float> positions;                    // 3 per vertex
    std::vector<float> normals, binormals, tangents; // 3 per vertex, when flagged
    std::vector<float> colors;                       // 4 per vertex, when flagged
    std::vector<float> extras;                       // 1 per vertex, when flagged
    std::vector<float> channels[8];                  // u, v per vertex, when flagged
    std::vector<std::string> influenceNames;
    std::vector<int> influenceValues;    // 4 per vertex
    std::vector<float> influenceWeights; // 4 per vertex
    std::vector<unsigned> indices;       // 3 per face
};

struct CameraNode : Node {
    CameraNode() { kind = kNodeCamera; }

    std::string targetName;
    float zNear = 1.0f;
    float zFar = 1000.0f;
    float fov = 45.0f;
};

struct ParameterNode : Node {
    ParameterNode() { kind = kNodeParameter; }

    float values[3] = {};
    float singles[3] = {};
    unsigned char flags[2] = {};
    int value = 0;
};

} // namespace Scene

namespace Halvane {

class Scene {
public:
    Scene() = default; // an empty scene, to be filled in code (the content generator)
    explicit Scene(FrontendExt::File& file);
    Scene(Scene&&) = default;
    Scene& operator=(Scene&&) = default;
    virtual ~Scene() = default;

    const ::Scene::Material* findMaterial(const std::string& name) const;

    // The demo's own scenes must be this version: a file read with a foreign
    // tag is refused here as damage naming the file, not drawn as nothing.
    void requireKnownTag(const std::string& fileName) const;

    // Nodes of any of these kinds in the whole tree.
    long long countNodes(std::initializer_list<int> kinds) const;

    std::string errorText;
    std::vector<std::unique_ptr<::Scene::Material>> materials;
    std::vector<std::unique_ptr<::Scene::Node>> roots;
};

// Fills an empty scene from a file image, exactly as the file constructor does.
void decodeKDX(Scene& scene, const unsigned char* bytes, size_t size, const std::string& fileName);

// Writes a scene in the layout the reader takes: its exact inverse. Only
// scenes the reader accepts are written (consistent array sizes, indices
// inside the mesh, kinds 0 to 5 on records of the matching type, at most 256
// levels); anything else throws Frontend::Error. A mesh writes its
// materialName, or the name of its material when materialName is empty.
std::vector<unsigned char> encodeKDX(const Scene& scene);
void writeKDX(const std::string& path, const Scene& scene);

} // namespace Halvane
