// Reading and writing KDX scenes. The reader takes the whole file image and
// checks every count, string, kind and index against what the bytes left can
// hold, so a damaged file becomes an error naming the file instead of a wild
// read; the writer produces exactly what the reader takes back.
#include "frontend_ext/KDXScene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "frontend/Error.h"
#include "frontend/Limits.h"
#include "frontend/StopRequest.h"
#include "frontend_ext/ByteReader.h"

namespace Halvane {

namespace {

const char kTag[6] = {'K', 'D', 'X', '1', '1', '5'};
const char* const kTagError =
    "Unknown file tag. Version conflict or damaged file\n\nThis loader is version KDX115. Try exporting your "
    "scene again with the newest Halvane exporter.";

constexpr int kMaxDepth = Frontend::Limits::kMaxSceneDepth;

// The fewest bytes one record can take, used to reject counts the rest of
// the file could never hold before anything is allocated for them.
constexpr long long kMinMaterialBytes = 12 * 4 + 12 * 4 + 3 * 4;
constexpr long long kMinNodeBytes = 4 + 4 + 10 * 4 + 3 * 4 + 4; // kind, name, rest transform, key counts, children
constexpr long long kStringBytes = 4;

using FrontendExt::ByteReader;
using ::Scene::CameraNode;
using ::Scene::Material;
using ::Scene::MeshNode;
using ::Scene::Node;
using ::Scene::ParameterNode;

// A value past the coordinate limit, or no number at all, reaches the matrices
// and turns every picture the node takes part in black; it is refused where
// it is read, naming the node and the value.
void checkValues(ByteReader& in, const Node& node, const std::string& what, const float* values, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (!Frontend::Limits::isUsableCoordinate(values[i]))
            in.fail("node '" + node.name + "': " + what + ": " + Frontend::Limits::describeCoordinate(values[i]));
}

void checkArray(ByteReader& in, const Node& node, const char* what, const std::vector<float>& values, size_t width)
{
    for (size_t i = 0; i < values.size(); ++i)
        if (!Frontend::Limits::isUsableCoordinate(values[i]))
            checkValues(in, node, std::string(what) + " of vertex " + std::to_string(i / width), &values[i], 1);
}

void checkMeshValues(ByteReader& in, const MeshNode& mesh)
{
    checkArray(in, mesh, "position", mesh.positions, 3);
    checkArray(in, mesh, "normal", mesh.normals, 3);
    checkArray(in, mesh, "binormal", mesh.binormals, 3);
    checkArray(in, mesh, "tangent", mesh.tangents, 3);
    checkArray(in, mesh, "colour", mesh.colors, 4);
    checkArray(in, mesh, "extra scalar", mesh.extras, 1);
    for (int c = 0; c < 8; ++c)
        checkArray(in, mesh, ("texture channel " + std::to_string(c)).c_str(), mesh.channels[c], 2);
    checkArray(in, mesh, "influence weight", mesh.influenceWeights, 4);
}

// Planes and angle that no projection can be formed from are refused with the
// camera, before anything is drawn through it.
void checkCamera(ByteReader& in, const CameraNode& camera)
{
    const float lens[3] = {camera.zNear, camera.zFar, camera.fov};
    checkValues(in, camera, "near plane, far plane and field of view", lens, 3);
    if (!(camera.zNear > 0.0f && camera.zNear < camera.zFar))
        in.fail("camera '" + camera.name + "': near plane " + std::to_string(camera.zNear) + " and far plane " +
                std::to_string(camera.zFar) + " form no view (0 < near < far)");
    if (!(camera.fov > 0.0f && camera.fov < 180.0f))
        in.fail("camera '" + camera.name + "': field of view " + std::to_string(camera.fov) +
                " degrees forms no view (0 to 180)");
}

std::unique_ptr<Material> readMaterial(ByteReader& in)
{
    auto material = std::make_unique<Material>();
    for (std::string& text : material->strings)
        text = in.string("material string");
    for (auto& color : material->colors)
        in.floats(color, 3, "material colour");
    in.floats(material->scalars, 3, "material scalars");
    return material;
}

int vertexRecordBytes(const MeshNode& mesh)
{
    int bytes = 12;
    bytes += mesh.hasNormals ? 12 : 0;
    bytes += mesh.hasBinormals ? 12 : 0;
    bytes += mesh.hasTangents ? 12 : 0;
    bytes += mesh.hasColors ? 16 : 0;
    bytes += mesh.hasExtra ? 4 : 0;
    for (bool channel : mesh.hasChannel)
        bytes += channel ? 8 : 0;
    bytes += mesh.hasInfluences ? 32 : 0;
    return bytes;
}

void readVertex(ByteReader& in, MeshNode& mesh, size_t v)
{
    auto take = [&](std::vector<float>& array, size_t width) {
        for (size_t i = 0; i < width; ++i)
            array[v * width + i] = in.rawFloat();
    };
    take(mesh.positions, 3);
    if (mesh.hasNormals)
        take(mesh.normals, 3);
    if (mesh.hasBinormals)
        take(mesh.binormals, 3);
    if (mesh.hasTangents)
        take(mesh.tangents, 3);
    if (mesh.hasColors)
        take(mesh.colors, 4);
    if (mesh.hasExtra)
        take(mesh.extras, 1);
    for (int c = 0; c < 8; ++c)
        if (mesh.hasChannel[c])
            take(mesh.channels[c], 2);
    if (mesh.hasInfluences) {
        for (size_t i = 0; i < 4; ++i)
            mesh.influenceValues[v * 4 + i] = in.rawInt();
        take(mesh.influenceWeights, 4);
    }
}

void readMeshBlock(ByteReader& in, MeshNode& mesh, const Scene& scene)
{
    mesh.materialName = in.string("mesh material name");
    mesh.material = mesh.materialName.empty() ? nullptr : scene.findMaterial(mesh.materialName);
    int vertexCount = in.i32("vertex count");
    int faceCount = in.i32("face count");
    if (vertexCount < 0)
        in.fail("negative vertex count " + std::to_string(vertexCount));
    if (faceCount < 0)
        in.fail("negative face count " + std::to_string(faceCount));
    bool* attributes[5] = {&mesh.hasNormals, &mesh.hasBinormals, &mesh.hasTangents, &mesh.hasColors, &mesh.hasExtra};
    for (bool* flag : attributes)
        *flag = in.byte("mesh attribute flags") != 0;
    for (bool& flag : mesh.hasChannel)
        flag = in.byte("mesh channel flags") != 0;
    mesh.hasInfluences = in.byte("mesh influence flag") != 0;
    if (mesh.hasInfluences) {
        long long names = in.count(true, kStringBytes, "influence name count");
        mesh.influenceNames.resize(static_cast<size_t>(names));
        for (std::string& text : mesh.influenceNames)
            text = in.string("influence name");
    }

    const long long bytes = static_cast<long long>(vertexCount) * vertexRecordBytes(mesh) + faceCount * 12LL;
    if (bytes > in.remaining())
        in.fail("mesh of " + std::to_string(vertexCount) + " vertices and " + std::to_string(faceCount) +
                " faces is more than the " + std::to_string(in.remaining()) + " bytes left can hold");

    const size_t n = static_cast<size_t>(vertexCount);
    mesh.vertexCount = vertexCount;
    mesh.positions.resize(n * 3);
    if (mesh.hasNormals)
        mesh.normals.resize(n * 3);
    if (mesh.hasBinormals)
        mesh.binormals.resize(n * 3);
    if (mesh.hasTangents)
        mesh.tangents.resize(n * 3);
    if (mesh.hasColors)
        mesh.colors.resize(n * 4);
    if (mesh.hasExtra)
        mesh.extras.resize(n);
    for (int c = 0; c < 8; ++c)
        if (mesh.hasChannel[c])
            mesh.channels[c].resize(n * 2);
    if (mesh.hasInfluences) {
        mesh.influenceValues.resize(n * 4);
        mesh.influenceWeights.resize(n * 4);
    }
    for (size_t v = 0; v < n; ++v)
        readVertex(in, mesh, v);

    mesh.indices.resize(static_cast<size_t>(faceCount) * 3);
    for (unsigned& index : mesh.indices) {
        int value = in.rawInt();
        if (value < 0 || value >= vertexCount)
            in.fail("face index " + std::to_string(value) + " outside the mesh's " + std::to_string(vertexCount) +
                    " vertices");
        index = static_cast<unsigned>(value);
    }
}

void readCameraBlock(ByteReader& in, CameraNode& camera)
{
    camera.targetName = in.string("camera target name");
    camera.zNear = in.f32("camera near plane");
    camera.zFar = in.f32("camera far plane");
    camera.fov = in.f32("camera field of view");
}

void readParameterBlock(ByteReader& in, ParameterNode& node)
{
    in.floats(node.values, 3, "parameter block");
    in.floats(node.singles, 3, "parameter block");
    node.flags[0] = in.byte("parameter block");
    node.flags[1] = in.byte("parameter block");
    node.value = in.i32("parameter block");
}

void readTracks(ByteReader& in, Node& node)
{
    long long p = in.count(true, 16, "position key count");
    long long q = in.count(true, 20, "rotation key count");
    long long s = in.count(true, 16, "scale key count");
    in.need(p * 16 + q * 20 + s * 16, "keys");
    // The counts fit in the file, so they fit in an int.
    node.positionTrack.reserve(static_cast<int>(p));
    node.rotationTrack.reserve(static_cast<int>(q));
    node.scaleTrack.reserve(static_cast<int>(s));
    float key[5];
    auto readKey = [&](int floats, const char* what, long long index) {
        for (int k = 0; k < floats; ++k) {
            key[k] = in.rawFloat();
            if (!Frontend::Limits::isUsableCoordinate(key[k])) // the name is built only for the message
                checkValues(in, node, std::string(what) + " key " + std::to_string(index), &key[k], 1);
        }
    };
    for (long long i = 0; i < p; ++i) {
        readKey(4, "position", i);
        node.positionTrack.addKey(Vec3{key[0], key[1], key[2]}, key[3]);
    }
    for (long long i = 0; i < q; ++i) {
        readKey(5, "rotation", i);
        ::Scene::Quaternion value;
        value.x = key[0];
        value.y = key[1];
        value.z = key[2];
        value.w = key[3];
        node.rotationTrack.addKey(value, key[4]);
    }
    for (long long i = 0; i < s; ++i) {
        readKey(4, "scale", i);
        node.scaleTrack.addKey(Vec3{key[0], key[1], key[2]}, key[3]);
    }
}

// Nodes and meshes read so far, against the per-scene limits.
struct Tally {
    long long nodes = 0;
    long long meshes = 0;
};

std::unique_ptr<Node> readNode(ByteReader& in, const Scene& scene, int depth, Tally& tally)
{
    Frontend::throwIfStopRequested();
    if (depth >= kMaxDepth)
        in.fail("node tree deeper than " + std::to_string(kMaxDepth) + " levels");
    if (++tally.nodes > Frontend::Limits::kMaxSceneNodes)
        in.fail("more than the limit of " + std::to_string(Frontend::Limits::kMaxSceneNodes) + " nodes per scene");
    int kind = in.i32("node kind");
    if (kind == ::Scene::kNodeMesh && ++tally.meshes > Frontend::Limits::kMaxMeshesPerFile)
        in.fail("more than the limit of " + std::to_string(Frontend::Limits::kMaxMeshesPerFile) + " meshes per file");
    std::unique_ptr<Node> node;
    switch (kind) {
    case ::Scene::kNodeMesh: {
        auto mesh = std::make_unique<MeshNode>();
        readMeshBlock(in, *mesh, scene);
        node = std::move(mesh);
        break;
    }
    case ::Scene::kNodeParameter: {
        auto parameter = std::make_unique<ParameterNode>();
        readParameterBlock(in, *parameter);
        node = std::move(parameter);
        break;
    }
    case ::Scene::kNodeCamera: {
        auto camera = std::make_unique<CameraNode>();
        readCameraBlock(in, *camera);
        node = std::move(camera);
        break;
    }
    case ::Scene::kNodePlain:
    case ::Scene::kNodePlain4:
    case ::Scene::kNodeKind5: node = std::make_unique<Node>(); break;
    default: in.fail("node kind " + std::to_string(kind) + " outside 0 to 5");
    }
    node->kind = kind;
    node->name = in.string("node name");
    float rest[10];
    in.floats(rest, 10, "node rest transform");
    checkValues(in, *node, "rest transform", rest, 10);
    if (const auto* mesh = dynamic_cast<const MeshNode*>(node.get()))
        checkMeshValues(in, *mesh);
    if (const auto* camera = dynamic_cast<const CameraNode*>(node.get()))
        checkCamera(in, *camera);
    if (const auto* parameter = dynamic_cast<const ParameterNode*>(node.get())) {
        checkValues(in, *node, "parameter values", parameter->values, 3);
        checkValues(in, *node, "parameter values", parameter->singles, 3);
    }
    node->restPosition = Vec3{rest[0], rest[1], rest[2]};
    node->restRotation.x = rest[3];
    node->restRotation.y = rest[4];
    node->restRotation.z = rest[5];
    node->restRotation.w = rest[6];
    node->restScale = Vec3{rest[7], rest[8], rest[9]};
    readTracks(in, *node);
    long long children = in.count(true, kMinNodeBytes, "child count");
    node->children.reserve(static_cast<size_t>(children));
    for (long long i = 0; i < children; ++i)
        node->children.push_back(readNode(in, scene, depth + 1, tally));
    return node;
}

// ---- Writing ----

class Writer {
public:
    void u32(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<unsigned char>(value >> shift));
    }
    void i32(int value) { u32(static_cast<uint32_t>(value)); }
    void f32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        u32(bits);
    }
    void floats(const float* values, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            f32(values[i]);
    }
    void byte(unsigned char value) { out.push_back(value); }
    void flag(bool present) { out.push_back(present ? 1 : 0); }
    void string(const std::string& text)
    {
        i32(static_cast<int>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
    }

    std::vector<unsigned char> out;
};

[[noreturn]] void failWrite(const Node& node, const std::string& what)
{
    throw Frontend::Error("encodeKDX: node '" + node.name + "': " + what);
}

void checkArray(const Node& node, bool flagged, size_t size, size_t vertices, size_t width, const char* what)
{
    size_t expected = flagged ? vertices * width : 0;
    if (flagged && size != expected)
        failWrite(node,
                  std::string(what) + " has " + std::to_string(size) + " values, expected " + std::to_string(expected));
}

void checkMesh(const MeshNode& mesh)
{
    if (mesh.vertexCount < 0)
        failWrite(mesh, "negative vertex count");
    const size_t n = static_cast<size_t>(mesh.vertexCount);
    checkArray(mesh, true, mesh.positions.size(), n, 3, "positions");
    checkArray(mesh, mesh.hasNormals, mesh.normals.size(), n, 3, "normals");
    checkArray(mesh, mesh.hasBinormals, mesh.binormals.size(), n, 3, "binormals");
    checkArray(mesh, mesh.hasTangents, mesh.tangents.size(), n, 3, "tangents");
    checkArray(mesh, mesh.hasColors, mesh.colors.size(), n, 4, "colours");
    checkArray(mesh, mesh.hasExtra, mesh.extras.size(), n, 1, "extra scalars");
    for (int c = 0; c < 8; ++c)
        checkArray(mesh, mesh.hasChannel[c], mesh.channels[c].size(), n, 2, "texture channel");
    checkArray(mesh, mesh.hasInfluences, mesh.influenceValues.size(), n, 4, "influence values");
    checkArray(mesh, mesh.hasInfluences, mesh.influenceWeights.size(), n, 4, "influence weights");
    if (mesh.indices.size() % 3 != 0)
        failWrite(mesh, std::to_string(mesh.indices.size()) + " indices is not a multiple of 3");
    for (unsigned index : mesh.indices)
        if (index >= n)
            failWrite(mesh, "index " + std::to_string(index) + " outside the " + std::to_string(n) + " vertices");
}

void writeMeshBlock(Writer& w, const MeshNode& mesh)
{
    checkMesh(mesh);
    const std::string& material =
        mesh.materialName.empty() && mesh.material ? mesh.material->name() : mesh.materialName;
    w.string(material);
    w.i32(mesh.vertexCount);
    w.i32(static_cast<int>(mesh.indices.size() / 3));
    for (bool present : {mesh.hasNormals, mesh.hasBinormals, mesh.hasTangents, mesh.hasColors, mesh.hasExtra})
        w.flag(present);
    for (bool present : mesh.hasChannel)
        w.flag(present);
    w.flag(mesh.hasInfluences);
    if (mesh.hasInfluences) {
        w.i32(static_cast<int>(mesh.influenceNames.size()));
        for (const std::string& text : mesh.influenceNames)
            w.string(text);
    }
    for (size_t v = 0; v < static_cast<size_t>(mesh.vertexCount); ++v) {
        w.floats(&mesh.positions[v * 3], 3);
        if (mesh.hasNormals)
            w.floats(&mesh.normals[v * 3], 3);
        if (mesh.hasBinormals)
            w.floats(&mesh.binormals[v * 3], 3);
        if (mesh.hasTangents)
            w.floats(&mesh.tangents[v * 3], 3);
        if (mesh.hasColors)
            w.floats(&mesh.colors[v * 4], 4);
        if (mesh.hasExtra)
            w.f32(mesh.extras[v]);
        for (int c = 0; c < 8; ++c)
            if (mesh.hasChannel[c])
                w.floats(&mesh.channels[c][v * 2], 2);
        if (mesh.hasInfluences) {
            for (size_t i = 0; i < 4; ++i)
                w.i32(mesh.influenceValues[v * 4 + i]);
            w.floats(&mesh.influenceWeights[v * 4], 4);
        }
    }
    for (unsigned index : mesh.indices)
        w.i32(static_cast<int>(index));
}

template <typename T>
const T& recordOf(const Node& node)
{
    const T* record = dynamic_cast<const T*>(&node);
    if (!record)
        failWrite(node, "kind " + std::to_string(node.kind) + " on a record of another type");
    return *record;
}

void writeKindBlock(Writer& w, const Node& node)
{
    switch (node.kind) {
    case ::Scene::kNodeMesh: writeMeshBlock(w, recordOf<MeshNode>(node)); break;
    case ::Scene::kNodeParameter: {
        const ParameterNode& p = recordOf<ParameterNode>(node);
        w.floats(p.values, 3);
        w.floats(p.singles, 3);
        w.byte(p.flags[0]);
        w.byte(p.flags[1]);
        w.i32(p.value);
        break;
    }
    case ::Scene::kNodeCamera: {
        const CameraNode& camera = recordOf<CameraNode>(node);
        w.string(camera.targetName);
        w.f32(camera.zNear);
        w.f32(camera.zFar);
        w.f32(camera.fov);
        break;
    }
    case ::Scene::kNodePlain:
    case ::Scene::kNodePlain4:
    case ::Scene::kNodeKind5: break;
    default: failWrite(node, "kind " + std::to_string(node.kind) + " outside 0 to 5");
    }
}

void writeVector(Writer& w, const Vec3& v)
{
    w.f32(v.x);
    w.f32(v.y);
    w.f32(v.z);
}

void writeNode(Writer& w, const Node& node, int depth)
{
    if (depth >= kMaxDepth)
        failWrite(node, "node tree deeper than " + std::to_string(kMaxDepth) + " levels");
    w.i32(node.kind);
    writeKindBlock(w, node);
    w.string(node.name);
    writeVector(w, node.restPosition);
    const ::Scene::Quaternion& r = node.restRotation;
    w.f32(r.x);
    w.f32(r.y);
    w.f32(r.z);
    w.f32(r.w);
    writeVector(w, node.restScale);
    w.i32(node.positionTrack.keyCount());
    w.i32(node.rotationTrack.keyCount());
    w.i32(node.scaleTrack.keyCount());
    for (int i = 0; i < node.positionTrack.keyCount(); ++i) {
        writeVector(w, node.positionTrack.keyValue(i));
        w.f32(node.positionTrack.keyTime(i));
    }
    for (int i = 0; i < node.rotationTrack.keyCount(); ++i) {
        ::Scene::Quaternion q = node.rotationTrack.keyValue(i);
        w.f32(q.x);
        w.f32(q.y);
        w.f32(q.z);
        w.f32(q.w);
        w.f32(node.rotationTrack.keyTime(i));
    }
    for (int i = 0; i < node.scaleTrack.keyCount(); ++i) {
        writeVector(w, node.scaleTrack.keyValue(i));
        w.f32(node.scaleTrack.keyTime(i));
    }
    w.i32(static_cast<int>(node.children.size()));
    for (const auto& child : node.children) {
        if (!child)
            failWrite(node, "empty child record");
        writeNode(w, *child, depth + 1);
    }
}

} // namespace

Scene::Scene(FrontendExt::File& file)
{
    std::vector<unsigned char> bytes = file.readAll();
    decodeKDX(*this, bytes.data(), bytes.size(), file.path());
}

const ::Scene::Material* Scene::findMaterial(const std::string& name) const
{
    for (const auto& material : materials)
        if (material->name() == name)
            return material.get();
    return nullptr;
}

void Scene::requireKnownTag(const std::string& fileName) const
{
    if (!errorText.empty())
        throw Frontend::Error(fileName + ": not a KDX115 scene (unknown file tag: another version or not a scene)");
}

namespace {

long long countInTree(const Node& node, std::initializer_list<int> kinds)
{
    long long count = std::find(kinds.begin(), kinds.end(), node.kind) != kinds.end() ? 1 : 0;
    for (const auto& child : node.children)
        count += countInTree(*child, kinds);
    return count;
}

} // namespace

long long Scene::countNodes(std::initializer_list<int> kinds) const
{
    long long count = 0;
    for (const auto& root : roots)
        count += countInTree(*root, kinds);
    return count;
}

void decodeKDX(Scene& scene, const unsigned char* bytes, size_t size, const std::string& fileName)
{
    scene.errorText.clear();
    scene.materials.clear();
    scene.roots.clear();
    ByteReader in(bytes, size, fileName);
    // A different tag in the bytes there are is another version: an empty
    // scene with the text. Only a file too short to differ is damage.
    for (size_t i = 0; i < sizeof kTag; ++i) {
        if (i == size)
            in.need(static_cast<long long>(sizeof kTag), "file tag");
        if (bytes[i] != static_cast<unsigned char>(kTag[i])) {
            scene.errorText = kTagError;
            return;
        }
    }
    for (size_t i = 0; i < sizeof kTag; ++i)
        in.byte("file tag");

    long long materialCount = in.count(false, kMinMaterialBytes, "material count");
    scene.materials.reserve(static_cast<size_t>(materialCount));
    for (long long i = 0; i < materialCount; ++i)
        scene.materials.push_back(readMaterial(in));

    long long rootCount = in.count(false, kMinNodeBytes, "root node count");
    scene.roots.reserve(static_cast<size_t>(rootCount));
    Tally tally;
    for (long long i = 0; i < rootCount; ++i)
        scene.roots.push_back(readNode(in, scene, 0, tally));
}

std::vector<unsigned char> encodeKDX(const Scene& scene)
{
    Writer w;
    w.out.assign(kTag, kTag + sizeof kTag);
    w.u32(static_cast<uint32_t>(scene.materials.size()));
    for (const auto& material : scene.materials) {
        if (!material)
            throw Frontend::Error("encodeKDX: empty material record");
        for (const std::string& text : material->strings)
            w.string(text);
        for (const auto& color : material->colors)
            w.floats(color, 3);
        w.floats(material->scalars, 3);
    }
    w.u32(static_cast<uint32_t>(scene.roots.size()));
    for (const auto& root : scene.roots) {
        if (!root)
            throw Frontend::Error("encodeKDX: empty root record");
        writeNode(w, *root, 0);
    }
    return std::move(w.out);
}

void writeKDX(const std::string& path, const Scene& scene)
{
    std::vector<unsigned char> bytes = encodeKDX(scene);
    FrontendExt::File file(path, "wb");
    bool written = file.write(bytes.data(), 1, bytes.size()) == bytes.size();
    file.close();
    if (!written)
        throw Frontend::Error(path + ": write failed");
}

} // namespace Halvane
