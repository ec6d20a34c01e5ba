// KDX playback on the GL matrix stacks: mesh-to-geometry conversion, the
// instance lists of evaluate, name look-ups and cameras.
#include <gtest/gtest.h>

#include <cmath>
#include <epoxy/gl.h>

#include "frontend/Error.h"
#include "frontend/State.h"
#include "scene/KDXLoader.h"
#include "tests/scene/KDXBuilders.h"
#include "tests/support/TestContext.h"

using namespace Scene;
using Frontend::State;
using FrontendExt::Geometry;

namespace {

std::unique_ptr<KDXLoader> load(const Halvane::Scene& scene)
{
    TestSupport::glContext();
    static int serial = 0;
    std::string path = TestSupport::makeTempDir("kdxloader") + "/scene" + std::to_string(serial++) + ".kdx";
    Halvane::writeKDX(path, scene);
    return std::make_unique<KDXLoader>(FrontendExt::File(path, "rb"));
}

std::vector<float> attribute(Geometry& geometry, int semantic, int vertex)
{
    std::unique_ptr<Geometry::Attribute> a(geometry.getAttribute(semantic));
    if (!a)
        return {};
    std::vector<float> value(4);
    a->get(value.data(), vertex);
    value.resize(static_cast<size_t>(a->scalars()));
    return value;
}

int bindingsOf(const Geometry& geometry, int semantic)
{
    int n = 0;
    for (const auto& b : geometry.bindings)
        n += b.semantic == semantic ? 1 : 0;
    return n;
}

// A triangle wound clockwise seen from +z, with channels 0 and 1 and whatever `change` adds.
template <typename Change>
Halvane::Scene triangleScene(Change change)
{
    Halvane::Scene scene;
    auto mesh = std::make_unique<MeshNode>();
    mesh->name = "Tri";
    mesh->vertexCount = 3;
    mesh->positions = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    mesh->hasChannel[0] = mesh->hasChannel[1] = true;
    mesh->channels[0] = {9, 9, 9, 9, 9, 9};
    mesh->channels[1] = {0, 0, 0, 1, 1, 0};
    mesh->indices = {0, 1, 2};
    change(*mesh);
    scene.roots.push_back(std::move(mesh));
    return scene;
}

void expectTranslation(const Instance& instance, float x, float y, float z)
{
    EXPECT_NEAR(instance.world[12], x, 1e-5f) << instance.node->name;
    EXPECT_NEAR(instance.world[13], y, 1e-5f) << instance.node->name;
    EXPECT_NEAR(instance.world[14], z, 1e-5f) << instance.node->name;
}

std::vector<float> matrix(GLenum which)
{
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

std::vector<float> identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// Plain A (kind 0) > mesh B (scaled 2) > kind-5 C; parameter D; plain E (kind 4);
// camera Cam looking at A; camera Lost with an unknown target.
Halvane::Scene treeScene()
{
    Halvane::Scene scene;
    auto a = KDXTest::plainNode("A", kNodePlain, Vec3{1, 2, 3});
    auto b = KDXTest::quadMesh("B", "");
    b->restPosition = Vec3{0, 0, 1};
    b->restScale = Vec3{2, 2, 2};
    b->children.push_back(KDXTest::plainNode("C", kNodeKind5, Vec3{1, 0, 0}));
    a->children.push_back(std::move(b));
    scene.roots.push_back(std::move(a));
    auto d = std::make_unique<ParameterNode>();
    d->name = "D";
    scene.roots.push_back(std::move(d));
    scene.roots.push_back(KDXTest::plainNode("E", kNodePlain4));
    for (const char* name : {"Cam", "Lost"}) {
        auto camera = std::make_unique<CameraNode>();
        camera->name = name;
        camera->targetName = std::string(name) == "Cam" ? "A" : "Nowhere";
        camera->restPosition = Vec3{0, -10, 5};
        camera->fov = 50.0f;
        camera->zNear = 0.5f;
        camera->zFar = 200.0f;
        scene.roots.push_back(std::move(camera));
    }
    scene.roots.push_back(KDXTest::quadMesh("RootMesh", ""));
    return scene;
}

} // namespace

TEST(KDXLoaderGeometry, MeshWithoutChannelOneKeepsItsFileNormals)
{
    Halvane::Scene scene;
    auto quad = KDXTest::quadMesh("Quad", "");
    quad->normals[0] = 0.6f; // deliberately not unit: nothing may recompute it
    scene.roots.push_back(std::move(quad));
    auto loader = load(scene);
    Geometry* g = loader->findGeometry("Quad");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->bindings.size(), 2u);
    EXPECT_EQ(g->bindings[0].slot, 0);
    EXPECT_EQ(g->bindings[1].slot, 10);
    EXPECT_EQ(g->bindings[1].semantic, 10);
    EXPECT_EQ(attribute(*g, 10, 0), (std::vector<float>{0.6f, 0, 1}));
    EXPECT_EQ(g->vertexBuffers[0]->usage(), 4);
    EXPECT_EQ(g->vertexBuffers[0]->componentScalars(0), 3);
    ASSERT_NE(g->indexBuffer, nullptr);
    EXPECT_EQ(g->indexBuffer->indexType(), 2);
    EXPECT_EQ(g->indexBuffer->indexCount(), 6);
    EXPECT_EQ(g->indexBuffer->usage(), 4);
    EXPECT_EQ(bindingsOf(*g, 4), 0);
}

TEST(KDXLoaderGeometry, ChannelOneBecomesTexCoordsWithTangentSpace)
{
    auto loader = load(triangleScene([](MeshNode& m) {
        m.hasNormals = true;
        m.normals.assign(9, 5.0f); // replaced by the tangent-space step
    }));
    Geometry* g = loader->findGeometry("Tri");
    ASSERT_NE(g, nullptr);
    // Channel 1, not channel 0, feeds texture unit 0; channel 0 gets no buffer.
    EXPECT_EQ(attribute(*g, 2, 1), (std::vector<float>{0, 1}));
    EXPECT_EQ(bindingsOf(*g, 2), 1);
    EXPECT_EQ(bindingsOf(*g, 4), 1);
    EXPECT_EQ(bindingsOf(*g, 5), 1);
    EXPECT_EQ(bindingsOf(*g, 10), 1);
    // Clockwise seen from +z: the normal points to +z.
    std::vector<float> n = attribute(*g, 10, 0);
    ASSERT_EQ(n.size(), 3u);
    EXPECT_NEAR(n[2], 1.0f, 1e-5f);
    EXPECT_EQ(attribute(*g, 4, 0).size(), 3u);
}

TEST(KDXLoaderGeometry, CollidingChannelsGiveWayToTangentsAndInfluences)
{
    auto loader = load(triangleScene([](MeshNode& m) {
        for (int c : {3, 4, 7}) {
            m.hasChannel[c] = true;
            m.channels[c].assign(6, 0.5f);
        }
        m.hasInfluences = true;
        m.influenceNames = {"Bone"};
        m.influenceValues = {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4};
        m.influenceWeights.assign(12, 0.25f);
    }));
    Geometry* g = loader->findGeometry("Tri");
    ASSERT_NE(g, nullptr);
    for (int semantic : {4, 5, 8, 9})
        EXPECT_EQ(bindingsOf(*g, semantic), 1) << semantic;
    EXPECT_EQ(attribute(*g, 4, 0).size(), 3u); // a tangent, not channel 3's (u, v)
    EXPECT_EQ(g->vertexBuffers[8]->componentType(0), FrontendExt::kTypeInt);
    EXPECT_EQ(g->vertexBuffers[8]->componentScalars(0), 4);
    EXPECT_EQ(g->vertexBuffers[9]->componentScalars(0), 4);
}

TEST(KDXLoaderGeometry, WithoutChannelOneOtherChannelsKeepTheirSlots)
{
    auto loader = load(triangleScene([](MeshNode& m) {
        m.hasChannel[1] = false;
        m.channels[1].clear();
        m.hasChannel[3] = true;
        m.channels[3] = {1, 2, 3, 4, 5, 6};
    }));
    Geometry* g = loader->findGeometry("Tri");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(attribute(*g, 4, 2), (std::vector<float>{5, 6}));
    EXPECT_EQ(bindingsOf(*g, 10), 0); // no tangent-space step
    EXPECT_EQ(bindingsOf(*g, 5), 0);
}

TEST(KDXLoaderFile, BadFilesAndOtherVersions)
{
    TestSupport::glContext();
    std::string dir = TestSupport::makeTempDir("kdxbad");
    FILE* f = std::fopen((dir + "/old.kdx").c_str(), "wb");
    std::fputs("KDX114\0\0\0\0", f);
    std::fclose(f);
    KDXLoader old(FrontendExt::File(dir + "/old.kdx", "rb"));
    EXPECT_EQ(old.errorText.substr(0, 16), "Unknown file tag");
    EXPECT_TRUE(old.geometries.empty());
    old.draw(1.0f);
    EXPECT_TRUE(old.meshInstances.empty());

    f = std::fopen((dir + "/cut.kdx").c_str(), "wb");
    std::fputs("KDX115\1\0\0", f);
    std::fclose(f);
    try {
        KDXLoader cut(FrontendExt::File(dir + "/cut.kdx", "rb"));
        ADD_FAILURE() << "a cut file loaded";
    } catch (const Frontend::Error& e) {
        EXPECT_NE(std::string(e.what()).find("cut.kdx"), std::string::npos) << e.what();
    }
}

TEST(KDXLoaderEvaluate, SortsNodesByKindDepthFirstAndComposesTransforms)
{
    auto loader = load(treeScene());
    State::resetMatrices();
    State::translate(10.0f, 0.0f, 0.0f);
    std::vector<float> before = matrix(GL_MODELVIEW_MATRIX);
    loader->evaluate(0.0f);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), before);

    ASSERT_EQ(loader->plainInstances.size(), 2u);
    EXPECT_EQ(loader->plainInstances[0].node->name, "A");
    EXPECT_EQ(loader->plainInstances[1].node->name, "E");
    ASSERT_EQ(loader->meshInstances.size(), 2u);
    EXPECT_EQ(loader->meshInstances[0].node->name, "B");
    EXPECT_EQ(loader->meshInstances[1].node->name, "RootMesh");
    ASSERT_EQ(loader->kind5Instances.size(), 1u);
    ASSERT_EQ(loader->parameterInstances.size(), 1u);
    ASSERT_EQ(loader->cameraInstances.size(), 2u);

    // File (x, y, z) is our (x, z, -y); roots sit on the world matrix that was current.
    expectTranslation(loader->plainInstances[0], 11, 3, -2);
    expectTranslation(loader->meshInstances[0], 11, 4, -2);
    expectTranslation(loader->kind5Instances[0], 13, 4, -2); // C's offset is scaled by B

    // Lists are rebuilt in place.
    const Instance* storage = loader->meshInstances.data();
    loader->evaluate(1.0f);
    EXPECT_EQ(loader->meshInstances.data(), storage);
    EXPECT_EQ(loader->meshInstances.size(), 2u);
}

TEST(KDXLoaderEvaluate, RotationAndKeyedPosition)
{
    Halvane::Scene scene;
    auto turn = KDXTest::plainNode("Turn", kNodePlain);
    const float h = std::sqrt(0.5f);
    turn->restRotation = Quaternion{0.0f, 0.0f, h, h};
    turn->children.push_back(KDXTest::plainNode("Arm", kNodePlain, Vec3{1, 0, 0}));
    scene.roots.push_back(std::move(turn));
    auto moving = KDXTest::plainNode("Moving", kNodePlain);
    moving->positionTrack.addKey(Vec3{0, 0, 0}, 0.0f);
    moving->positionTrack.addKey(Vec3{10, 20, 0}, 10.0f);
    scene.roots.push_back(std::move(moving));
    auto loader = load(scene);

    State::resetMatrices();
    loader->evaluate(5.0f);
    // About -90 degrees around our y axis: +x turns to +z.
    expectTranslation(loader->plainInstances[1], 0, 0, 1);
    expectTranslation(loader->plainInstances[2], 5, 0, -10);
}

TEST(KDXLoaderLookup, FindsRootsOnly)
{
    auto loader = load(treeScene());
    ASSERT_NE(loader->findNode("A"), nullptr);
    EXPECT_EQ(loader->findNode("B"), nullptr); // a child: never found by name
    EXPECT_EQ(loader->findNode("nothing"), nullptr);
    EXPECT_NE(loader->findGeometry("RootMesh"), nullptr);
    EXPECT_EQ(loader->findGeometry("B"), nullptr);
    EXPECT_EQ(loader->findGeometry("A"), nullptr);
    EXPECT_EQ(loader->geometries.size(), 2u); // B still has its geometry
}

TEST(KDXLoaderCamera, LooksFromTheCameraAtItsTarget)
{
    auto loader = load(treeScene());
    // What the camera must produce, built by hand.
    State::resetMatrices();
    State::perspective(50.0f, 2.0f, 0.5f, 200.0f);
    State::lookAt(0, 5, 10, 1, 3, -2, 0, 0, -1);
    std::vector<float> projection = matrix(GL_PROJECTION_MATRIX);
    std::vector<float> view = matrix(GL_TEXTURE_MATRIX);

    State::translate(1, 1, 1);
    loader->setCamera("Cam", 0.0f, 2.0f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_TEXTURE_MATRIX), view);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity());
    EXPECT_EQ(loader->eye[1], 5.0f);
    EXPECT_EQ(loader->target[2], -2.0f);
    EXPECT_EQ(loader->fov, 50.0f);
    EXPECT_EQ(loader->aspect, 2.0f);

    loader->setCamera("Lost", 0.0f, 1.0f);
    EXPECT_EQ(loader->target[0], 0.0f);
    EXPECT_EQ(loader->target[1], 0.0f);
    EXPECT_EQ(loader->target[2], 0.0f);

    // Unknown names, and names of nodes that are no cameras: identity, state kept.
    for (const char* name : {"Nobody", "A"}) {
        loader->setCamera(name, 0.0f, 3.0f);
        EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), identity());
        EXPECT_EQ(matrix(GL_TEXTURE_MATRIX), identity());
        EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity());
        EXPECT_EQ(loader->aspect, 1.0f);
        EXPECT_EQ(loader->eye[1], 5.0f);
    }
}

TEST(KDXLoaderDraw, LeavesTheWorldAtTheLastMesh)
{
    auto loader = load(treeScene());
    State::resetMatrices();
    loader->draw(0.0f);
    std::vector<float> world = matrix(GL_MODELVIEW_MATRIX);
    const float* last = loader->meshInstances.back().world;
    EXPECT_EQ(world, std::vector<float>(last, last + 16));
}

TEST(KDXLoaderGeometry, EmptyMeshLoadsAndDraws)
{
    Halvane::Scene scene;
    auto empty = std::make_unique<MeshNode>();
    empty->name = "Empty";
    empty->hasChannel[1] = true;
    scene.roots.push_back(std::move(empty));
    auto loader = load(scene);
    ASSERT_NE(loader->findGeometry("Empty"), nullptr);
    State::resetMatrices();
    while (glGetError() != GL_NO_ERROR) {
    }
    loader->draw(0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(KDXLoaderCamera, AStillCameraOnItsTargetIsRefusedAMovingOneKeepsItsLastView)
{
    auto sceneWith = [](bool keyed) {
        Halvane::Scene scene;
        scene.roots.push_back(KDXTest::plainNode("Target", kNodePlain, Vec3{1, 2, 3}));
        auto camera = std::make_unique<CameraNode>();
        camera->name = "Cam";
        camera->targetName = "Target";
        camera->restPosition = Vec3{1, 2, 3};
        if (keyed) { // away from the target at t = 0, on it at t = 1
            camera->positionTrack.addKey(Vec3{1, 2, 13}, 0.0f);
            camera->positionTrack.addKey(Vec3{1, 2, 3}, 1.0f);
        }
        scene.roots.push_back(std::move(camera));
        return scene;
    };
    try {
        load(sceneWith(false));
        FAIL() << "a camera that sits on its target was taken";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find("camera 'Cam' at (1.0"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("forms no view of its target 'Target'"), std::string::npos);
    }

    auto loader = load(sceneWith(true));
    loader->setCamera("Cam", 0.0f, 1.0f);
    std::vector<float> view = matrix(GL_TEXTURE_MATRIX);
    loader->setCamera("Cam", 1.0f, 1.0f);
    EXPECT_EQ(matrix(GL_TEXTURE_MATRIX), view);
    EXPECT_NE(view, identity());
}
