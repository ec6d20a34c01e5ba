// The animated scenes the generator writes: they read back through the
// demo's own KDX reader, name only pictures the generator makes, keep their
// keys in time order over the times the scenes evaluate them at, and face
// their triangles the way the loader expects.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "frontend_ext/KDXScene.h"
#include "tests/support/TestContext.h"
#include "tools/assets/Catalog.h"
#include "tools/assets/kdx/KdxBuilder.h"
#include "tools/assets/kdx/KdxContent.h"

namespace {

// Each scene written to disk and read back with the production's reader.
class KdxContent : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        directory = TestSupport::makeTempDir("kdx-content");
        for (const Assets::KdxAsset& asset : Assets::kdxAssets()) {
            const std::string path = directory + "/" + asset.name;
            Halvane::writeKDX(path, *asset.make());
            FrontendExt::File file(path, "rb");
            scenes()[asset.name] = std::make_unique<Halvane::Scene>(file);
        }
    }

    static void TearDownTestSuite() { std::filesystem::remove_all(directory); }

    static std::map<std::string, std::unique_ptr<Halvane::Scene>>& scenes()
    {
        static std::map<std::string, std::unique_ptr<Halvane::Scene>> all;
        return all;
    }

    static const Halvane::Scene& scene(const std::string& name) { return *scenes().at(name); }

    static const Scene::Node* root(const Halvane::Scene& s, const std::string& name)
    {
        for (const auto& node : s.roots)
            if (node->name == name)
                return node.get();
        return nullptr;
    }

    static void forEachNode(const Halvane::Scene& s, const std::function<void(const Scene::Node&)>& visit)
    {
        std::function<void(const Scene::Node&)> walk = [&](const Scene::Node& node) {
            visit(node);
            for (const auto& child : node.children)
                walk(*child);
        };
        for (const auto& node : s.roots)
            walk(*node);
    }

    static std::string directory;
};

std::string KdxContent::directory;

float lastKeyTime(const Scene::KeyTimes& track)
{
    return track.keyCount() ? track.keyTime(track.keyCount() - 1) : 0.0f;
}

bool inTimeOrder(const Scene::KeyTimes& track)
{
    for (int i = 1; i < track.keyCount(); i++)
        if (!(track.keyTime(i - 1) < track.keyTime(i)))
            return false;
    return true;
}

} // namespace

TEST_F(KdxContent, EveryFileReadsBackWhole)
{
    for (const Assets::KdxAsset& asset : Assets::kdxAssets()) {
        SCOPED_TRACE(asset.name);
        const Halvane::Scene& s = scene(asset.name);
        const std::unique_ptr<Halvane::Scene> original = asset.make();
        EXPECT_EQ(s.errorText, "");
        EXPECT_EQ(s.materials.size(), original->materials.size());
        EXPECT_EQ(s.roots.size(), original->roots.size());
        EXPECT_FALSE(s.roots.empty());
        // Same bytes from a fresh build: the content is deterministic.
        EXPECT_TRUE(Halvane::encodeKDX(*original) == Halvane::encodeKDX(*asset.make()));
    }
}

TEST_F(KdxContent, MaterialsNamePicturesTheGeneratorMakes)
{
    std::set<std::string> pictures;
    for (const Assets::PictureAsset& picture : Assets::pictureAssets())
        pictures.insert(picture.name);
    for (const Assets::KdxAsset& asset : Assets::kdxAssets()) {
        SCOPED_TRACE(asset.name);
        const bool balloon = std::string(asset.name) == "balloon.kdx";
        int translucent = 0;
        for (const auto& m : scene(asset.name).materials) {
            SCOPED_TRACE(m->name());
            if (!m->colorTexture().empty()) {
                EXPECT_TRUE(pictures.count(m->colorTexture()));
                if (!m->bumpMap().empty()) {
                    EXPECT_TRUE(pictures.count("normal_" + m->bumpMap()));
                }
                continue;
            }
            // Colour-only: the standard drawable sends colour 3's red as the
            // colour's fourth component and scalar 1 as "alpha"; both stay 1
            // outside the balloons, whose own cloth may let light through.
            EXPECT_EQ(m->colors[2][0], 1.0f);
            if (balloon) {
                EXPECT_GT(m->scalars[0], 0.0f);
                translucent += m->scalars[0] < 1.0f ? 1 : 0;
            } else {
                EXPECT_EQ(m->scalars[0], 1.0f);
            }
        }
        if (balloon) {
            EXPECT_GT(translucent, 0);
        }
    }
}

TEST_F(KdxContent, MeshesHaveMaterialsAndTheChannelsTheirShadersRead)
{
    for (const Assets::KdxAsset& asset : Assets::kdxAssets()) {
        SCOPED_TRACE(asset.name);
        forEachNode(scene(asset.name), [](const Scene::Node& node) {
            if (node.kind != Scene::kNodeMesh)
                return;
            SCOPED_TRACE(node.name);
            const auto& mesh = dynamic_cast<const Scene::MeshNode&>(node);
            ASSERT_NE(mesh.material, nullptr);
            EXPECT_GT(mesh.indices.size(), 0u);
            EXPECT_TRUE(mesh.hasNormals);
            EXPECT_EQ(mesh.hasChannel[1], !mesh.material->colorTexture().empty());
        });
    }
}

// Written clockwise seen from outside, with file normals pointing out: the
// loader's computed normals then point out too. The flower ball's core is
// lit from the viewer like everything else, so it faces out as well.
TEST_F(KdxContent, ClosedSolidsFaceOutwards)
{
    for (const char* name : {"strawberry.kdx", "solsikke.kdx", "dragonfly.kdx", "flowerball.kdx"}) {
        SCOPED_TRACE(name);
        const auto* mesh = dynamic_cast<const Scene::MeshNode*>(scene(name).roots[0].get());
        ASSERT_NE(mesh, nullptr);
        const auto& p = mesh->positions;
        int outward = 0, faces = 0;
        for (size_t i = 0; i + 2 < mesh->indices.size(); i += 3) {
            const unsigned a = mesh->indices[i], b = mesh->indices[i + 1], c = mesh->indices[i + 2];
            Assets::V3 pa{p[3 * a], p[3 * a + 1], p[3 * a + 2]}, pb{p[3 * b], p[3 * b + 1], p[3 * b + 2]},
                pc{p[3 * c], p[3 * c + 1], p[3 * c + 2]};
            Assets::V3 normal{mesh->normals[3 * a], mesh->normals[3 * a + 1], mesh->normals[3 * a + 2]};
            Assets::V3 face = Assets::cross(pb - pa, pc - pa);
            if (Assets::length(face) < 1e-4f)
                continue;
            faces++;
            outward += Assets::dot(face, normal) < 0 ? 1 : 0;
        }
        EXPECT_GT(outward, faces * 95 / 100);

        // And the normals point away from the middle of the solid.
        const int n = mesh->vertexCount;
        Assets::V3 middle;
        for (int v = 0; v < n; v++)
            middle = middle + Assets::V3{p[3 * v], p[3 * v + 1], p[3 * v + 2]} * (1.0f / n);
        int away = 0;
        for (int v = 0; v < n; v++) {
            Assets::V3 normal{mesh->normals[3 * v], mesh->normals[3 * v + 1], mesh->normals[3 * v + 2]};
            away += Assets::dot(Assets::V3{p[3 * v], p[3 * v + 1], p[3 * v + 2]} - middle, normal) > 0 ? 1 : 0;
        }
        EXPECT_GT(away, n * 9 / 10);
    }
}

// Colour-only meshes are shaded with the normals stored in the file, textured
// ones with those the loader computes from the winding: both must agree, on
// thin petals and wings as on solids, or one side of a surface lights as if
// seen from behind.
TEST_F(KdxContent, StoredNormalsAgreeWithTheWindingOnEveryMesh)
{
    for (const Assets::KdxAsset& asset : Assets::kdxAssets())
        forEachNode(scene(asset.name), [&](const Scene::Node& node) {
            if (node.kind != Scene::kNodeMesh)
                return;
            const auto& mesh = dynamic_cast<const Scene::MeshNode&>(node);
            const auto& p = mesh.positions;
            const auto& n = mesh.normals;
            int agree = 0, faces = 0;
            for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
                const unsigned a = mesh.indices[i], b = mesh.indices[i + 1], c = mesh.indices[i + 2];
                Assets::V3 pa{p[3 * a], p[3 * a + 1], p[3 * a + 2]}, pb{p[3 * b], p[3 * b + 1], p[3 * b + 2]},
                    pc{p[3 * c], p[3 * c + 1], p[3 * c + 2]};
                Assets::V3 face = Assets::cross(pb - pa, pc - pa);
                if (Assets::length(face) < 1e-4f)
                    continue;
                Assets::V3 stored = Assets::V3{n[3 * a], n[3 * a + 1], n[3 * a + 2]} +
                                    Assets::V3{n[3 * b], n[3 * b + 1], n[3 * b + 2]} +
                                    Assets::V3{n[3 * c], n[3 * c + 1], n[3 * c + 2]};
                faces++;
                agree += Assets::dot(face, stored) < 0 ? 1 : 0; // clockwise: the face points against the cross product
            }
            EXPECT_GT(agree, faces * 9 / 10) << asset.name << " " << node.name;
        });
}

TEST_F(KdxContent, KeysAreInTimeOrderAndSpanTheScenesClocks)
{
    for (const Assets::KdxAsset& asset : Assets::kdxAssets())
        forEachNode(scene(asset.name), [&](const Scene::Node& node) {
            EXPECT_TRUE(inTimeOrder(node.positionTrack)) << asset.name << " " << node.name;
            EXPECT_TRUE(inTimeOrder(node.rotationTrack)) << asset.name << " " << node.name;
            EXPECT_TRUE(inTimeOrder(node.scaleTrack)) << asset.name << " " << node.name;
        });
    // The dragonfly scene runs its path clock up to about 110000 and each
    // dragonfly between 0 and 6000; the balloons run to 500 x 23.6 s.
    const Halvane::Scene& paths = scene("dragonflypaths.kdx");
    EXPECT_GE(lastKeyTime(root(paths, "Camera01")->positionTrack), 110000.0f);
    EXPECT_GE(lastKeyTime(root(paths, "Dragonfly01")->rotationTrack), 110000.0f);
    EXPECT_GE(lastKeyTime(root(scene("dragonfly.kdx"), "Body")->rotationTrack), 6000.0f);
    EXPECT_GE(lastKeyTime(root(scene("balloon.kdx"), "Camera01")->positionTrack), 11800.0f);
}

TEST_F(KdxContent, PathSceneHoldsWhatTheDragonflySceneLooksUp)
{
    const Halvane::Scene& paths = scene("dragonflypaths.kdx");
    const auto* camera = dynamic_cast<const Scene::CameraNode*>(root(paths, "Camera01"));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->targetName, "Camera01.Target");
    ASSERT_NE(root(paths, "Camera01.Target"), nullptr);
    EXPECT_EQ(root(paths, "Camera01.Target")->kind, Scene::kNodePlain);
    // The ground is drawn with the first mesh's matrix: it must be Box01.
    const Scene::Node* firstMesh = nullptr;
    int flyers = 0;
    forEachNode(paths, [&](const Scene::Node& node) {
        if (node.kind == Scene::kNodeMesh && !firstMesh)
            firstMesh = &node;
        flyers += (node.kind == Scene::kNodePlain && node.name != "Camera01.Target") ? 1 : 0;
    });
    ASSERT_NE(firstMesh, nullptr);
    EXPECT_EQ(firstMesh->name, "Box01");
    EXPECT_GE(flyers, 3);

    // The camera stays close enough to the flock for a dragonfly a tenth of
    // the model's size to read, and above the ground.
    for (float A = 0; A <= 110000; A += 1000) {
        Vec3 eye = camera->position(A), target = root(paths, "Camera01.Target")->position(A);
        float distance = std::hypot(eye.x - target.x, eye.y - target.y, eye.z - target.z);
        EXPECT_GT(distance, 30.0f) << A;
        EXPECT_LT(distance, 120.0f) << A;
        EXPECT_LT(eye.z, 0.0f) << A; // up is -z in the program's frame
    }
}

TEST_F(KdxContent, TheFlowerballOpensWithItsTimeAndHoldsClosedBeforeZero)
{
    const Scene::Node* flower = root(scene("flowerball.kdx"), "Flower01");
    ASSERT_NE(flower, nullptr);
    auto reach = [&](float t) {
        Vec3 p = flower->position(t);
        return std::hypot(p.x, p.y, p.z);
    };
    EXPECT_EQ(reach(-5000.0f), reach(0.0f));
    EXPECT_GT(reach(10000.0f), 1.8f * reach(0.0f));
    EXPECT_GT(reach(5000.0f), reach(2500.0f));
}

TEST_F(KdxContent, TheWingsBeatManyTimesOverTheDragonflysClock)
{
    const Scene::Node* body = root(scene("dragonfly.kdx"), "Body");
    ASSERT_NE(body, nullptr);
    const Scene::Node* wing = nullptr;
    for (const auto& child : body->children)
        if (child->name == "WingFR")
            wing = child.get();
    ASSERT_NE(wing, nullptr);
    int reversals = 0;
    float previous = 0, before = 0;
    for (float t = 0; t <= 6000; t += 10) {
        float angle;
        Vec3 axis;
        wing->rotation(t, angle, axis);
        float signedAngle = angle * axis.x; // the beat turns about the body's long axis
        if (t >= 20 && (signedAngle - previous) * (previous - before) < 0)
            reversals++;
        before = previous;
        previous = signedAngle;
    }
    EXPECT_GT(reversals, 40);
}

TEST(KdxBuilder, RotationsReadBackAsTheyWereMeant)
{
    // A quarter turn about +y in the modelling frame is a quarter turn about
    // the program's -z (the file's y becomes -z), counter-clockwise.
    Scene::Node node;
    node.restRotation = Assets::Kdx::toFile(Assets::Kdx::axisAngle({0, 1, 0}, 3.14159265f / 2));
    float degrees;
    Vec3 axis;
    node.rotation(0, degrees, axis);
    EXPECT_NEAR(degrees * axis.z, -90.0f, 0.01f);
    EXPECT_NEAR(axis.x, 0.0f, 1e-5f);
    EXPECT_NEAR(axis.y, 0.0f, 1e-5f);

    // heading() points +x along the direction given.
    Assets::Kdx::Rotation r = Assets::Kdx::heading({0, 0, 1}, 0);
    // Rotate +x by r: v' = q v q*.
    Assets::Kdx::Rotation x{1, 0, 0, 0};
    Assets::Kdx::Rotation inverse{-r.x, -r.y, -r.z, r.w};
    Assets::Kdx::Rotation turned = r * x * inverse;
    EXPECT_NEAR(turned.x, 0.0f, 1e-5f);
    EXPECT_NEAR(turned.y, 0.0f, 1e-5f);
    EXPECT_NEAR(turned.z, 1.0f, 1e-5f);
}
