// KDX playback: mesh nodes become static Geometry once at construction, and
// every evaluate composes the node tree on the world-matrix stack into the
// instance lists, reusing their storage so that a steady scene allocates
// nothing per frame.
#include "scene/KDXLoader.h"

#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/State.h"
#include "frontend/StopRequest.h"

namespace Scene {

using FrontendExt::Geometry;
using FrontendExt::VertexBuffer;

namespace {

// One single-component static buffer over a node array, in the slot whose
// number is the semantic code.
void addArray(Geometry& geometry, int semantic, const void* source, int scalars, int type, int vertices)
{
    const int counts[1] = {scalars};
    const int types[1] = {type};
    geometry.vertexBuffers[semantic] = new VertexBuffer(1, counts, vertices, FrontendExt::kUsageStatic, source, types);
    geometry.addBinding(semantic, 0, semantic);
}

std::unique_ptr<Geometry> buildGeometry(const MeshNode& mesh)
{
    using namespace FrontendExt;
    auto geometry = std::make_unique<Geometry>();
    geometry->primitive = kPrimitiveTriangles;
    const int v = mesh.vertexCount;
    addArray(*geometry, kSemanticPosition, mesh.positions.data(), 3, kTypeFloat, v);
    if (mesh.hasNormals)
        addArray(*geometry, kSemanticNormal, mesh.normals.data(), 3, kTypeFloat, v);
    if (mesh.hasBinormals)
        addArray(*geometry, kSemanticBinormal, mesh.binormals.data(), 3, kTypeFloat, v);
    if (mesh.hasTangents)
        addArray(*geometry, kSemanticTangent, mesh.tangents.data(), 3, kTypeFloat, v);
    if (mesh.hasColors)
        addArray(*geometry, kSemanticColor, mesh.colors.data(), 4, kTypeFloat, v);

    // Two combinations claim the same slot. With channel 1 the tangent-space
    // step owns semantics 4 and 5 (texture units 2 and 3), so channels 3 and
    // 4 are dropped rather than overwritten with tangents; with influences,
    // slot 8 carries the influence values, so channel 7 is dropped.
    const bool tangentSpace = mesh.hasChannel[1];
    for (int c = 1; c < 8; ++c) {
        if (!mesh.hasChannel[c])
            continue;
        if ((tangentSpace && (c == 3 || c == 4)) || (mesh.hasInfluences && c == 7))
            continue;
        addArray(*geometry, kSemanticTexCoord0 + c - 1, mesh.channels[c].data(), 2, kTypeFloat, v);
    }
    if (mesh.hasInfluences) {
        addArray(*geometry, 8, mesh.influenceValues.data(), 4, kTypeInt, v);
        addArray(*geometry, 9, mesh.influenceWeights.data(), 4, kTypeFloat, v);
    }

    geometry->indexBuffer =
        new IndexBuffer(static_cast<int>(mesh.indices.size()), kUsageStatic, mesh.indices.data(), kIndexUInt);
    if (tangentSpace)
        geometry->computeTangentSpace(kSemanticTexCoord0, kSemanticNormal, 4, 5);
    return geometry;
}

// lookAt's up axis is (0, 0, -1): an eye straight above or below its target
// (its own position included) gives no side vector and a view that collapses
// every point.
bool formsView(const Vec3& eye, const Vec3& target)
{
    return target.x - eye.x != 0.0f || target.y - eye.y != 0.0f;
}

} // namespace

KDXLoader::KDXLoader(FrontendExt::File file) : Halvane::Scene(file)
{
    refuseStillCamerasWithoutView(file.path());
    for (const auto& root : roots)
        convertTree(*root);
    file.close();
}

void KDXLoader::refuseStillCamerasWithoutView(const std::string& fileName) const
{
    // Only where neither end moves is the view known before playing; a keyed
    // camera that passes through such a place keeps its last view there.
    for (const auto& root : roots) {
        const auto* camera = dynamic_cast<const CameraNode*>(root.get());
        const Node* targetNode = camera ? findNode(camera->targetName) : nullptr;
        if (!targetNode || camera->positionTrack.keyCount() > 1 || targetNode->positionTrack.keyCount() > 1)
            continue;
        const Vec3 e = camera->position(0.0f);
        const Vec3 t = targetNode->position(0.0f);
        if (!formsView(e, t))
            throw Frontend::Error(fileName + ": camera '" + camera->name + "' at (" + std::to_string(e.x) + ", " +
                                  std::to_string(e.y) + ", " + std::to_string(e.z) + ") forms no view of its target '" +
                                  targetNode->name + "' at (" + std::to_string(t.x) + ", " + std::to_string(t.y) +
                                  ", " + std::to_string(t.z) +
                                  "): it sits on the target or straight above or below it");
    }
}

void KDXLoader::convertTree(const Node& node)
{
    Frontend::throwIfStopRequested();
    if (const auto* mesh = dynamic_cast<const MeshNode*>(&node))
        geometries[mesh] = buildGeometry(*mesh);
    for (const auto& child : node.children)
        convertTree(*child);
}

const Node* KDXLoader::findNode(const std::string& name) const
{
    for (const auto& root : roots)
        if (root->name == name)
            return root.get();
    return nullptr;
}

Geometry* KDXLoader::geometryOf(const Node* node) const
{
    auto found = geometries.find(node);
    return found == geometries.end() ? nullptr : found->second.get();
}

Geometry* KDXLoader::findGeometry(const std::string& name) const
{
    const Node* node = findNode(name);
    return node ? geometryOf(node) : nullptr;
}

std::vector<Instance>& KDXLoader::listFor(int kind)
{
    switch (kind) {
    case kNodeParameter: return parameterInstances;
    case kNodeMesh: return meshInstances;
    case kNodeKind5: return kind5Instances;
    case kNodeCamera: return cameraInstances;
    default: return plainInstances;
    }
}

void KDXLoader::evaluate(float time)
{
    parameterInstances.clear();
    meshInstances.clear();
    kind5Instances.clear();
    plainInstances.clear();
    cameraInstances.clear();
    for (const auto& root : roots)
        visit(*root, time);
}

void KDXLoader::visit(const Node& node, float time)
{
    using Frontend::State;
    State::pushWorld();
    const Vec3 p = node.position(time);
    State::translate(p.x, p.y, p.z);
    float degrees;
    Vec3 axis;
    node.rotation(time, degrees, axis);
    State::rotate(degrees, axis.x, axis.y, axis.z);
    const Vec3 s = node.scale(time);
    State::scale(s.x, s.y, s.z);

    std::vector<Instance>& list = listFor(node.kind);
    list.push_back(Instance{&node, {}});
    State::getWorldMatrix(list.back().world);

    for (const auto& child : node.children)
        visit(*child, time);
    State::popWorld();
}

void KDXLoader::draw(float time)
{
    evaluate(time);
    for (const Instance& instance : meshInstances) {
        Frontend::State::setWorldMatrix(instance.world);
        Frontend::Context::current()->bindDefaultShader();
        if (Geometry* geometry = geometryOf(instance.node))
            geometry->draw();
    }
}

void KDXLoader::applyCamera(const CameraNode* camera, float time, float aspectRatio)
{
    using Frontend::State;
    State::resetMatrices();
    if (!camera)
        return;
    fov = camera->fov;
    zNear = camera->zNear;
    zFar = camera->zFar;
    aspect = aspectRatio;
    State::perspective(fov, aspect, zNear, zFar);

    // Eye and target are the nodes' own keyed positions; their parents'
    // transforms are not applied.
    const Vec3 e = camera->position(time);
    Vec3 t;
    if (const Node* targetNode = findNode(camera->targetName))
        t = targetNode->position(time);
    if (!formsView(e, t)) {
        // A keyed camera passing through its target: the last view it had
        // stays, rather than a view that blackens the picture.
        if (hasView)
            State::lookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], 0.0f, 0.0f, -1.0f);
        return;
    }
    hasView = true;
    eye[0] = e.x;
    eye[1] = e.y;
    eye[2] = e.z;
    target[0] = t.x;
    target[1] = t.y;
    target[2] = t.z;
    State::lookAt(e.x, e.y, e.z, t.x, t.y, t.z, 0.0f, 0.0f, -1.0f);
}

void KDXLoader::setCamera(const std::string& name, float time, float aspectRatio)
{
    // A node of that name that is not a camera counts as none: there is no
    // field of view or target to take from it.
    applyCamera(dynamic_cast<const CameraNode*>(findNode(name)), time, aspectRatio);
}

} // namespace Scene
