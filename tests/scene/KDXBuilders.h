// Small builders for KDX test scenes, written to disk with the real writer.
#pragma once

#include <memory>
#include <string>

#include "frontend_ext/KDXScene.h"

namespace KDXTest {

inline std::unique_ptr<Scene::Node> plainNode(const std::string& name, int kind, Vec3 filePosition = {})
{
    auto node = std::make_unique<Scene::Node>();
    node->name = name;
    node->kind = kind;
    node->restPosition = filePosition;
    return node;
}

// A unit quad in the plane z = 0 facing +z (two triangles), normals flagged.
inline std::unique_ptr<Scene::MeshNode> quadMesh(const std::string& name, const std::string& material)
{
    auto mesh = std::make_unique<Scene::MeshNode>();
    mesh->name = name;
    mesh->materialName = material;
    mesh->vertexCount = 4;
    mesh->positions = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    mesh->hasNormals = true;
    mesh->normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    mesh->indices = {0, 1, 2, 0, 2, 3};
    return mesh;
}

inline std::unique_ptr<Scene::Material> material(const std::string& name, const std::string& texture,
                                                 const std::string& bump)
{
    auto m = std::make_unique<Scene::Material>();
    m->strings[0] = name;
    m->strings[2] = texture;
    m->strings[4] = bump;
    m->colors[2][0] = 1.0f;
    m->scalars[0] = 1.0f;
    return m;
}

// A colour-only material of diffuse colour (0.25, 0.5, 0.75), with the red of
// its colour 3 and its alpha (scalar 1) as given.
inline std::unique_ptr<Scene::Material> colourMaterial(const std::string& name, float colour3Red, float alpha)
{
    auto m = material(name, "", "");
    m->colors[1][0] = 0.25f;
    m->colors[1][1] = 0.5f;
    m->colors[1][2] = 0.75f;
    m->colors[2][0] = colour3Red;
    m->scalars[0] = alpha;
    return m;
}

} // namespace KDXTest
