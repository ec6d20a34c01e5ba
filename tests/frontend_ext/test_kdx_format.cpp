// KDX reading and writing without GL: round trips through the writer, the
// tag check, damaged files, and node transforms in the program's frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

#include "frontend/Error.h"
#include "frontend/StopRequest.h"
#include "frontend_ext/KDXScene.h"
#include "tests/support/AllocationCounter.h"

using namespace Scene;

namespace {

std::unique_ptr<Material> makeMaterial(const std::string& name, const std::string& texture, const std::string& bump)
{
    auto m = std::make_unique<Material>();
    for (int i = 0; i < 12; ++i)
        m->strings[i] = "s" + std::to_string(i);
    m->strings[0] = name;
    m->strings[2] = texture;
    m->strings[4] = bump;
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 3; ++k)
            m->colors[c][k] = c + k * 0.25f;
    m->scalars[0] = 0.5f;
    m->scalars[1] = 2.0f;
    m->scalars[2] = 3.0f;
    return m;
}

// A triangle with every attribute flagged, so each field's position in the vertex record is exercised.
std::unique_ptr<MeshNode> makeFullMesh()
{
    auto mesh = std::make_unique<MeshNode>();
    mesh->name = "Full";
    mesh->materialName = "skin";
    mesh->vertexCount = 3;
    mesh->hasNormals = mesh->hasBinormals = mesh->hasTangents = mesh->hasColors = mesh->hasExtra = true;
    mesh->hasInfluences = true;
    float next = 1.0f;
    auto fill = [&](std::vector<float>& a, size_t n) {
        a.resize(n);
        for (float& v : a)
            v = next++;
    };
    fill(mesh->positions, 9);
    fill(mesh->normals, 9);
    fill(mesh->binormals, 9);
    fill(mesh->tangents, 9);
    fill(mesh->colors, 12);
    fill(mesh->extras, 3);
    for (int c = 0; c < 8; ++c) {
        mesh->hasChannel[c] = true;
        fill(mesh->channels[c], 6);
    }
    mesh->influenceNames = {"Bone01", "Bone02"};
    mesh->influenceValues = {0, 1, -1, 7, 2, 3, 4, 5, 6, 8, 9, 10};
    fill(mesh->influenceWeights, 12);
    mesh->indices = {0, 1, 2, 2, 1, 0};
    mesh->positionTrack.addKey(Vec3{1, 2, 3}, 0.0f);
    mesh->positionTrack.addKey(Vec3{4, 5, 6}, 10.0f);
    Quaternion q;
    q.z = 0.5f;
    mesh->rotationTrack.addKey(q, 1.0f);
    mesh->scaleTrack.addKey(Vec3{2, 2, 2}, 3.0f);
    return mesh;
}

Halvane::Scene makeScene()
{
    Halvane::Scene scene;
    scene.materials.push_back(makeMaterial("skin", "skin.jpg", ""));
    scene.materials.push_back(makeMaterial("stone", "stone.jpg", "stone.png"));

    auto root = std::make_unique<Node>();
    root->name = "Root";
    root->kind = kNodePlain4;
    root->restPosition = Vec3{1, 2, 3};
    root->restRotation = Quaternion{0.1f, 0.2f, 0.3f, 0.9f};
    root->restScale = Vec3{4, 5, 6};
    root->children.push_back(makeFullMesh());
    auto camera = std::make_unique<CameraNode>();
    camera->name = "Camera01";
    camera->targetName = "Root";
    camera->zNear = 0.5f;
    camera->zFar = 900.0f;
    camera->fov = 60.0f;
    root->children.push_back(std::move(camera));
    scene.roots.push_back(std::move(root));

    auto parameter = std::make_unique<ParameterNode>();
    parameter->name = "Light";
    parameter->values[2] = 7.0f;
    parameter->singles[0] = 8.0f;
    parameter->flags[0] = 3;
    parameter->value = -42;
    scene.roots.push_back(std::move(parameter));
    auto marker = std::make_unique<Node>();
    marker->kind = kNodeKind5;
    marker->name = "Marker";
    scene.roots.push_back(std::move(marker));
    return scene;
}

Halvane::Scene decode(const std::vector<unsigned char>& bytes)
{
    Halvane::Scene scene;
    Halvane::decodeKDX(scene, bytes.data(), bytes.size(), "test.kdx");
    return scene;
}

std::string decodeError(const std::vector<unsigned char>& bytes)
{
    try {
        decode(bytes);
    } catch (const Frontend::Error& e) {
        return e.what();
    }
    return "";
}

void putInt(std::vector<unsigned char>& out, size_t at, int value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<unsigned char>(bits >> (8 * i));
}

// A file with no materials and one root of the given kind: the kind sits at offset 14.
std::vector<unsigned char> oneNodeFile(int kind)
{
    Halvane::Scene scene;
    auto node = std::make_unique<Node>();
    node->name = "N";
    scene.roots.push_back(std::move(node));
    std::vector<unsigned char> bytes = Halvane::encodeKDX(scene);
    putInt(bytes, 14, kind);
    return bytes;
}

} // namespace

TEST(KDXFormat, RoundTripKeepsEveryField)
{
    Halvane::Scene original = makeScene();
    std::vector<unsigned char> bytes = Halvane::encodeKDX(original);
    Halvane::Scene back = decode(bytes);

    EXPECT_TRUE(back.errorText.empty());
    ASSERT_EQ(back.materials.size(), 2u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(back.materials[1]->strings[i], original.materials[1]->strings[i]);
    EXPECT_EQ(std::memcmp(back.materials[1]->colors, original.materials[1]->colors, sizeof(float) * 12), 0);
    EXPECT_EQ(back.materials[0]->scalars[2], 3.0f);

    ASSERT_EQ(back.roots.size(), 3u);
    const Node& root = *back.roots[0];
    EXPECT_EQ(root.kind, kNodePlain4);
    EXPECT_EQ(root.restRotation.z, 0.3f);
    EXPECT_EQ(root.restScale.z, 6.0f);
    ASSERT_EQ(root.children.size(), 2u);

    const auto* mesh = dynamic_cast<const MeshNode*>(root.children[0].get());
    ASSERT_NE(mesh, nullptr);
    const MeshNode& want = static_cast<const MeshNode&>(*original.roots[0]->children[0]);
    EXPECT_EQ(mesh->material, back.materials[0].get());
    EXPECT_EQ(mesh->positions, want.positions);
    EXPECT_EQ(mesh->normals, want.normals);
    EXPECT_EQ(mesh->binormals, want.binormals);
    EXPECT_EQ(mesh->tangents, want.tangents);
    EXPECT_EQ(mesh->colors, want.colors);
    EXPECT_EQ(mesh->extras, want.extras);
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(mesh->channels[c], want.channels[c]) << "channel " << c;
    EXPECT_EQ(mesh->influenceNames, want.influenceNames);
    EXPECT_EQ(mesh->influenceValues, want.influenceValues);
    EXPECT_EQ(mesh->influenceWeights, want.influenceWeights);
    EXPECT_EQ(mesh->indices, want.indices);
    ASSERT_EQ(mesh->positionTrack.keyCount(), 2);
    EXPECT_EQ(mesh->positionTrack.keyValue(1).y, 5.0f);
    EXPECT_EQ(mesh->positionTrack.keyTime(1), 10.0f);
    EXPECT_EQ(mesh->rotationTrack.keyValue(0).z, 0.5f);
    EXPECT_EQ(mesh->scaleTrack.keyTime(0), 3.0f);

    const auto* camera = dynamic_cast<const CameraNode*>(root.children[1].get());
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->targetName, "Root");
    EXPECT_EQ(camera->zFar, 900.0f);
    EXPECT_EQ(camera->fov, 60.0f);

    const auto* parameter = dynamic_cast<const ParameterNode*>(back.roots[1].get());
    ASSERT_NE(parameter, nullptr);
    EXPECT_EQ(parameter->values[2], 7.0f);
    EXPECT_EQ(parameter->flags[0], 3);
    EXPECT_EQ(parameter->value, -42);
    EXPECT_EQ(back.roots[2]->kind, kNodeKind5);
    EXPECT_TRUE(back.roots[2]->children.empty());

    // Writing what was read gives the same bytes.
    EXPECT_EQ(Halvane::encodeKDX(back), bytes);
}

TEST(KDXFormat, RoundTripThroughAFile)
{
    Halvane::Scene original = makeScene();
    std::string path = ::testing::TempDir() + "kdx_roundtrip.kdx";
    Halvane::writeKDX(path, original);
    FrontendExt::File file(path, "rb");
    Halvane::Scene back(file);
    EXPECT_EQ(Halvane::encodeKDX(back), Halvane::encodeKDX(original));
    std::remove(path.c_str());
}

TEST(KDXFormat, ChannelsZeroAndOneReadChannelZeroFirst)
{
    Halvane::Scene scene;
    auto mesh = std::make_unique<MeshNode>();
    mesh->vertexCount = 1;
    mesh->positions = {0, 0, 0};
    mesh->hasChannel[0] = mesh->hasChannel[1] = true;
    mesh->channels[0] = {0.25f, 0.5f};
    mesh->channels[1] = {0.75f, 1.0f};
    scene.roots.push_back(std::move(mesh));
    std::vector<unsigned char> bytes = Halvane::encodeKDX(scene);
    // The vertex record ends the file just before the node name and transform; find channel 0's u.
    float u0 = 0.25f, u1 = 0.75f;
    auto at = [&](float v) {
        for (size_t i = 0; i + 4 <= bytes.size(); ++i)
            if (std::memcmp(&bytes[i], &v, 4) == 0)
                return i;
        return bytes.size();
    };
    EXPECT_EQ(at(u0) + 8, at(u1));
    Halvane::Scene back = decode(bytes);
    const auto& read = static_cast<const MeshNode&>(*back.roots[0]);
    EXPECT_EQ(read.channels[0], (std::vector<float>{0.25f, 0.5f}));
    EXPECT_EQ(read.channels[1], (std::vector<float>{0.75f, 1.0f}));
}

TEST(KDXFormat, MaterialNameResolvesFirstMatchOrNone)
{
    Halvane::Scene scene;
    scene.materials.push_back(makeMaterial("a", "", ""));
    scene.materials.push_back(makeMaterial("a", "second", ""));
    for (const char* name : {"a", "", "missing"}) {
        auto mesh = std::make_unique<MeshNode>();
        mesh->materialName = name;
        scene.roots.push_back(std::move(mesh));
    }
    Halvane::Scene back = decode(Halvane::encodeKDX(scene));
    EXPECT_EQ(static_cast<const MeshNode&>(*back.roots[0]).material, back.materials[0].get());
    EXPECT_EQ(static_cast<const MeshNode&>(*back.roots[1]).material, nullptr);
    EXPECT_EQ(static_cast<const MeshNode&>(*back.roots[2]).material, nullptr);
    EXPECT_EQ(static_cast<const MeshNode&>(*back.roots[2]).materialName, "missing");
}

TEST(KDXFormat, WrongTagInAnyByteGivesEmptySceneWithText)
{
    std::vector<unsigned char> good = Halvane::encodeKDX(makeScene());
    for (size_t i = 0; i < 6; ++i) {
        std::vector<unsigned char> bytes = good;
        bytes[i] ^= 1;
        Halvane::Scene scene = decode(bytes);
        EXPECT_TRUE(scene.materials.empty());
        EXPECT_TRUE(scene.roots.empty());
        EXPECT_EQ(scene.errorText,
                  "Unknown file tag. Version conflict or damaged file\n\nThis loader is version KDX115. Try "
                  "exporting your scene again with the newest Halvane exporter.");
    }
    EXPECT_EQ(decode({'K', 'D', 'X', '1', '1', '4'}).errorText.substr(0, 16), "Unknown file tag");
}

TEST(KDXFormat, DamagedFilesThrowNamingFileAndProblem)
{
    std::vector<unsigned char> good = Halvane::encodeKDX(makeScene());
    // Every cut ends the file early somewhere; none may read past the end.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        std::vector<unsigned char> bytes(good.begin(), good.begin() + static_cast<long>(cut));
        std::string error = decodeError(bytes);
        EXPECT_NE(error.find("test.kdx: "), std::string::npos) << "cut at " << cut;
    }

    for (int kind : {-1, 6, 1000})
        EXPECT_NE(decodeError(oneNodeFile(kind)).find("node kind " + std::to_string(kind) + " outside 0 to 5"),
                  std::string::npos);

    std::vector<unsigned char> absurd = oneNodeFile(0);
    putInt(absurd, 6, -1); // material count 0xffffffff
    EXPECT_NE(decodeError(absurd).find("material count 4294967295 is more than"), std::string::npos);

    std::vector<unsigned char> children = oneNodeFile(0);
    putInt(children, children.size() - 4, -3);
    EXPECT_NE(decodeError(children).find("negative child count -3"), std::string::npos);
    putInt(children, children.size() - 4, 1 << 30);
    EXPECT_NE(decodeError(children).find("child count 1073741824 is more than"), std::string::npos);

    std::vector<unsigned char> name = oneNodeFile(0);
    putInt(name, 18, 1 << 30); // node name length
    EXPECT_NE(decodeError(name).find("node name: file ends early"), std::string::npos);
}

TEST(KDXFormat, MeshIndexOutsideTheVerticesIsAnError)
{
    Halvane::Scene scene;
    auto mesh = std::make_unique<MeshNode>();
    mesh->vertexCount = 3;
    mesh->positions.assign(9, 0.0f);
    mesh->indices = {0, 1, 2};
    scene.roots.push_back(std::move(mesh));
    std::vector<unsigned char> bytes = Halvane::encodeKDX(scene);
    // Tag, counts, kind, empty material name, V, F, 14 flags, 36 bytes of positions, then the indices.
    const size_t lastIndex = 6 + 4 + 4 + 4 + 4 + 4 + 4 + 14 + 36 + 8;
    putInt(bytes, lastIndex, 3);
    EXPECT_NE(decodeError(bytes).find("face index 3 outside the mesh's 3 vertices"), std::string::npos);
    putInt(bytes, lastIndex, -1);
    EXPECT_NE(decodeError(bytes).find("face index -1"), std::string::npos);
}

TEST(KDXFormat, TreeDepthIsCapped)
{
    // 300 nested plain nodes: the writer refuses them, and so does the reader
    // when they are spliced by hand.
    Halvane::Scene scene;
    scene.roots.push_back(std::make_unique<Node>());
    Node* tip = scene.roots[0].get();
    for (int i = 0; i < 300; ++i) {
        tip->children.push_back(std::make_unique<Node>());
        tip = tip->children[0].get();
    }
    EXPECT_THROW(Halvane::encodeKDX(scene), Frontend::Error);

    std::vector<unsigned char> node = oneNodeFile(0);
    std::vector<unsigned char> bytes(node.begin(), node.begin() + 14); // tag, no materials, one root
    const std::vector<unsigned char> body(node.begin() + 14, node.end() - 4);
    for (int i = 0; i < 300; ++i) {
        bytes.insert(bytes.end(), body.begin(), body.end());
        for (unsigned char b : {1, 0, 0, 0})
            bytes.push_back(b);
    }
    EXPECT_NE(decodeError(bytes).find("deeper than 256 levels"), std::string::npos);
}

TEST(KDXFormat, LongTracksAreReadWithoutGrowingKeyByKey)
{
    // Growing a track by a fixed step per append copies it over and over: a
    // million keys took a minute. The reader sizes each track once.
    Halvane::Scene scene;
    auto node = std::make_unique<Node>();
    constexpr int kKeys = 100000;
    node->positionTrack.reserve(kKeys);
    node->rotationTrack.reserve(kKeys);
    for (int i = 0; i < kKeys; ++i) {
        node->positionTrack.addKey(Vec3{1.0f, 2.0f, 3.0f}, static_cast<float>(i));
        node->rotationTrack.addKey(Quaternion{}, static_cast<float>(i));
    }
    scene.roots.push_back(std::move(node));
    const std::vector<unsigned char> bytes = Halvane::encodeKDX(scene);

    Halvane::Scene back;
    TestSupport::AllocationCounter counter;
    Halvane::decodeKDX(back, bytes.data(), bytes.size(), "long.kdx");
    EXPECT_LT(counter.stop(), 20);
    EXPECT_EQ(back.roots[0]->positionTrack.keyCount(), kKeys);
    EXPECT_EQ(back.roots[0]->rotationTrack.keyTime(kKeys - 1), static_cast<float>(kKeys - 1));
}

TEST(KDXFormat, WriterRefusesInconsistentRecords)
{
    auto withMesh = [](auto change) {
        Halvane::Scene scene;
        auto mesh = std::make_unique<MeshNode>();
        mesh->vertexCount = 1;
        mesh->positions = {0, 0, 0};
        change(*mesh);
        scene.roots.push_back(std::move(mesh));
        return scene;
    };
    EXPECT_THROW(Halvane::encodeKDX(withMesh([](MeshNode& m) { m.hasNormals = true; })), Frontend::Error);
    EXPECT_THROW(Halvane::encodeKDX(withMesh([](MeshNode& m) { m.indices = {0, 0, 1}; })), Frontend::Error);
    EXPECT_THROW(Halvane::encodeKDX(withMesh([](MeshNode& m) { m.indices = {0}; })), Frontend::Error);

    Halvane::Scene scene;
    scene.roots.push_back(std::make_unique<Node>());
    scene.roots[0]->kind = kNodeMesh; // a plain record claiming to be a mesh
    EXPECT_THROW(Halvane::encodeKDX(scene), Frontend::Error);

    // A mesh that names its material only through the pointer writes that name.
    Halvane::Scene byPointer = withMesh([](MeshNode&) {});
    byPointer.materials.push_back(makeMaterial("glass", "", ""));
    static_cast<MeshNode&>(*byPointer.roots[0]).material = byPointer.materials[0].get();
    Halvane::Scene back = decode(Halvane::encodeKDX(byPointer));
    EXPECT_EQ(static_cast<const MeshNode&>(*back.roots[0]).material, back.materials[0].get());
}

TEST(KDXNodeTransform, FileAxesBecomeProgramAxes)
{
    Node node;
    node.restPosition = Vec3{1, 2, 3};
    node.restScale = Vec3{4, 5, 6};
    Vec3 p = node.position(0.0f);
    Vec3 s = node.scale(0.0f);
    EXPECT_EQ(p.x, 1.0f);
    EXPECT_EQ(p.y, 3.0f);
    EXPECT_EQ(p.z, -2.0f);
    EXPECT_EQ(s.x, 4.0f);
    EXPECT_EQ(s.y, 6.0f);
    EXPECT_EQ(s.z, 5.0f);

    // One key is ignored; two keys interpolate.
    node.positionTrack.addKey(Vec3{10, 20, 30}, 0.0f);
    EXPECT_EQ(node.position(5.0f).y, 3.0f);
    node.positionTrack.addKey(Vec3{20, 40, 60}, 10.0f);
    p = node.position(5.0f);
    EXPECT_FLOAT_EQ(p.x, 15.0f);
    EXPECT_FLOAT_EQ(p.y, 45.0f);
    EXPECT_FLOAT_EQ(p.z, -30.0f);
}

TEST(KDXNodeTransform, RotationAngleAndAxis)
{
    Node node;
    float degrees = 99.0f;
    Vec3 axis;
    node.rotation(0.0f, degrees, axis);
    EXPECT_EQ(degrees, 0.0f);
    EXPECT_EQ(axis.x, 1.0f);
    EXPECT_EQ(axis.y, 0.0f);
    EXPECT_EQ(axis.z, 0.0f);

    const float h = std::sqrt(0.5f);
    node.restRotation = Quaternion{0.0f, 0.0f, h, h};
    node.rotation(0.0f, degrees, axis);
    EXPECT_NEAR(degrees, -90.00002f, 1e-4f);
    EXPECT_NEAR(axis.x, 0.0f, 1e-6f);
    EXPECT_NEAR(axis.y, 1.0f, 1e-6f);
    EXPECT_NEAR(axis.z, 0.0f, 1e-6f);

    // The file's y axis is our -z.
    node.restRotation = Quaternion{0.0f, h, 0.0f, h};
    node.rotation(0.0f, degrees, axis);
    EXPECT_NEAR(axis.z, -1.0f, 1e-6f);

    // w a hair past 1 or exactly -1 must not give NaN.
    node.restRotation = Quaternion{0.0f, 0.0f, 0.0f, 1.0000001f};
    node.rotation(0.0f, degrees, axis);
    EXPECT_FALSE(std::isnan(degrees));
    node.restRotation = Quaternion{0.0f, 0.0f, 0.0f, -1.0f};
    node.rotation(0.0f, degrees, axis);
    EXPECT_FALSE(std::isnan(degrees) || std::isnan(axis.x) || std::isnan(axis.y));
}

TEST(KDXFormat, ValuesNoViewCanUseAreRefusedNamingTheNode)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto errorWith = [](const std::function<void(Node & root, MeshNode & mesh, CameraNode & camera)>& damage) {
        Halvane::Scene scene = makeScene();
        Node& root = *scene.roots[0];
        damage(root, static_cast<MeshNode&>(*root.children[0]), static_cast<CameraNode&>(*root.children[1]));
        return decodeError(Halvane::encodeKDX(scene));
    };
    EXPECT_EQ(errorWith([](Node&, MeshNode&, CameraNode&) {}), "");
    EXPECT_NE(errorWith([&](Node&, MeshNode&, CameraNode& c) {
                  c.positionTrack.addKey(Vec3{0, nan, 0}, 1.0f);
              }).find("node 'Camera01': position key 0: nan is not a number"),
              std::string::npos);
    EXPECT_NE(errorWith([&](Node& r, MeshNode&, CameraNode&) {
                  r.restScale.y = -inf;
              }).find("node 'Root': rest transform: -inf is beyond the limit"),
              std::string::npos);
    EXPECT_NE(errorWith([&](Node&, MeshNode& m, CameraNode&) {
                  m.positions[4] = 1e37f;
              }).find("position of vertex 1: 1e+37 is beyond the limit"),
              std::string::npos);
    EXPECT_NE(errorWith([&](Node&, MeshNode&, CameraNode& c) { c.zNear = 0.0f; }).find("camera 'Camera01': near plane"),
              std::string::npos);
    EXPECT_NE(errorWith([&](Node&, MeshNode&, CameraNode& c) { c.fov = 180.0f; }).find("field of view 180"),
              std::string::npos);
}

TEST(KDXFormat, NodeAndMeshCountsAreBoundedForFrameCost)
{
    Halvane::Scene scene;
    for (int i = 0; i < 16385; ++i)
        scene.roots.push_back(std::make_unique<Node>());
    EXPECT_NE(decodeError(Halvane::encodeKDX(scene)).find("more than the limit of 16384 nodes per scene"),
              std::string::npos);
    scene.roots.resize(4097);
    for (auto& root : scene.roots)
        root = std::make_unique<MeshNode>();
    EXPECT_NE(decodeError(Halvane::encodeKDX(scene)).find("more than the limit of 4096 meshes per file"),
              std::string::npos);
    scene.roots.resize(4096);
    EXPECT_EQ(decodeError(Halvane::encodeKDX(scene)), "");
}

TEST(KDXFormat, AStopRequestEndsTheNodeLoop)
{
    const std::vector<unsigned char> bytes = Halvane::encodeKDX(makeScene());
    Frontend::requestStop();
    EXPECT_THROW(decode(bytes), Frontend::StopRequested);
    Frontend::clearStopRequest();
    EXPECT_EQ(decode(bytes).roots.size(), makeScene().roots.size());
}
