// Building KDX scenes in code: materials, mesh nodes made from the modelling
// toolkit's meshes, plain and camera nodes, and their keys.
//
// Everything is modelled in the file's frame: y up, right-handed. The reader
// turns node transforms from it into the program's frame ((x, y, z) becomes
// (x, z, -y)) but takes vertex data as it stands, so meshNode writes vertices
// and normals already turned; node keys are given in the modelling frame.
// Rotations are given the ordinary way (counter-clockwise about an axis); the
// file stores the inverse quaternion, which is what the reader expects.
//
//   Halvane::Scene scene;
//   const Scene::Material* skin = Kdx::textureMaterial(scene, "Skin", "jordbaer.jpg", "jordbaer.jpg");
//   Scene::Node* body = Kdx::addRoot(scene, Kdx::meshNode("Body", mesh, skin));
//   body->rotationTrack.addKey(Kdx::toFile(Kdx::axisAngle({0, 1, 0}, 0.5f)), 1000.0f);
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "frontend_ext/KDXScene.h"
#include "tools/assets/mesh/Mesh.h"
#include "tools/assets/raster/Raster.h"

namespace Assets::Kdx {

// Colour-only: colour 2 is the diffuse colour, colour 3's red stays 1 and
// scalar 1 is the opacity (see the colour shader's note on the fourth component).
const Scene::Material* colorMaterial(Halvane::Scene& scene, const std::string& name, Color color, float alpha = 1.0f);
// Textured; with a bump name the catalogue must also hold "normal_" + bump.
const Scene::Material* textureMaterial(Halvane::Scene& scene, const std::string& name, const std::string& texture,
                                       const std::string& bump = "");

// A mesh node from a toolkit mesh (counter-clockwise seen from outside, in the
// modelling frame). Triangles are written clockwise, which makes the loader's
// normals point out. A textured material puts the mesh's uv into texture
// channel 1; every mesh also carries smoothed outward normals, which the
// loader keeps when there is no channel 1.
std::unique_ptr<Scene::MeshNode> meshNode(const std::string& name, const Mesh& mesh, const Scene::Material* material);
std::unique_ptr<Scene::Node> plainNode(const std::string& name);
std::unique_ptr<Scene::CameraNode> cameraNode(const std::string& name, const std::string& target, float fov,
                                              float zNear, float zFar);

// Appends and returns the raw pointer, for keying after the hand-over.
Scene::Node* addRoot(Halvane::Scene& scene, std::unique_ptr<Scene::Node> node);
Scene::Node* addChild(Scene::Node& parent, std::unique_ptr<Scene::Node> node);

// Ordinary unit quaternions in the modelling frame.
struct Rotation {
    float x = 0, y = 0, z = 0, w = 1;
};
Rotation axisAngle(V3 axis, float radians);
// a then b: the rotation that first turns by b, then by a (as matrices a * b).
Rotation operator*(const Rotation& a, const Rotation& b);
// The rotation turning +x to `forward`, keeping +y as near up as it can, then
// rolled about the new forward axis.
Rotation heading(V3 forward, float roll);
// What the file stores for a rotation.
Scene::Quaternion toFile(const Rotation& r);

// A thin two-sided blade (a wing, leaf or petal) spanning +z from 0 to
// `length`: at span fraction s, edges(s, lead, trail) gives its leading (+x)
// and trailing edge, bend(s, c) lifts the surface in y at chord fraction c.
// Texture u runs from u0 to u1 along the span, v from the leading edge (0)
// to the trailing one (1), the same on both faces.
struct BladeShape {
    float length = 1;
    int spanSteps = 8;
    int chordSteps = 3;
    float thickness = 0.5f;
    float u0 = 0, u1 = 1;
    std::function<void(float s, float& lead, float& trail)> edges;
    std::function<float(float s, float c)> bend;
};
Mesh blade(const BladeShape& shape);

// A shallow seed dome facing +y, `height` tall at its centre, textured with
// the seed disc in the right half of the flower atlas.
Mesh seedDome(float radius, float height, int rings, int segments);

} // namespace Assets::Kdx
