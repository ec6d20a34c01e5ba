// The drawable mesh: buffers bound by semantic, one draw call, typed
// accessors for editing vertices, and the tangent-space builder.
//
// Accessors keep their buffer locked while they live; several accessors on
// one buffer object share a single mapping (locks nest), so the tangent
// builder maps each buffer once however many attributes it touches.
#include "frontend_ext/Geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "frontend/Error.h"

namespace FrontendExt {

namespace {

const char* const kDrawLocation = "FrontendExt::Geometry::draw";
constexpr int kSlots = 16;

// Float to integer as a C cast truncates, but with NaN and out-of-range
// values pinned so the conversion is always defined; the result's low bits
// are what a narrower type keeps.
int truncateToInt(float value)
{
    if (std::isnan(value))
        return 0;
    double truncated = std::trunc(static_cast<double>(value));
    if (truncated <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (truncated >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(truncated);
}

template <typename T>
float toFloat(T value)
{
    return static_cast<float>(value);
}
template <typename T>
T fromFloat(float value)
{
    return static_cast<T>(truncateToInt(value));
}
template <>
float fromFloat<float>(float value)
{
    return value;
}
template <>
double fromFloat<double>(float value)
{
    return static_cast<double>(value);
}

VertexBuffer* boundBuffer(const Geometry& geometry, const Geometry::Binding& binding)
{
    if (binding.slot < 0 || binding.slot >= kSlots)
        return nullptr;
    return geometry.vertexBuffers[binding.slot];
}

VertexBuffer* firstBuffer(const Geometry& geometry)
{
    for (VertexBuffer* buffer : geometry.vertexBuffers)
        if (buffer)
            return buffer;
    return nullptr;
}

[[noreturn]] void outOfRange(const char* what, int index, int count)
{
    throw Frontend::Error(std::string("FrontendExt::Geometry: ") + what + " " + std::to_string(index) +
                          " out of range (" + std::to_string(count) + ")");
}

} // namespace

// ------------------------------------------------------------------ accessors

Geometry::Attribute::Attribute(Geometry* owner, VertexBuffer* vertexBuffer, unsigned char* address, int scalars)
    : geometry(owner), buffer(vertexBuffer), data(address), count(scalars)
{
}

Geometry::Attribute::~Attribute()
{
    buffer->unlock();
}

template <typename T>
class Geometry::TAttribute : public Geometry::Attribute {
public:
    using Attribute::Attribute;

    void get(float* destination, int vertex) const override
    {
        const unsigned char* scalars = at(vertex);
        for (int i = 0; i < count; ++i) {
            T value;
            std::memcpy(&value, scalars + i * sizeof(T), sizeof(T));
            destination[i] = toFloat(value);
        }
    }

    void set(int vertex, float x, float y, float z, float w) override
    {
        const float values[4] = {x, y, z, w};
        unsigned char* scalars = at(vertex);
        for (int i = 0; i < count; ++i) {
            T value = fromFloat<T>(values[i]);
            std::memcpy(scalars + i * sizeof(T), &value, sizeof(T));
        }
    }

private:
    // Vertex records are tightly packed, so a component need not be aligned
    // for T: scalars are copied bytewise, which compiles to plain loads.
    unsigned char* at(int vertex) const
    {
        if (vertex < 0 || vertex >= buffer->vertexCount())
            outOfRange("vertex", vertex, buffer->vertexCount());
        return data + static_cast<size_t>(vertex) * buffer->stride();
    }
};

Geometry::Indices::Indices(Geometry* owner, unsigned char* address) : geometry(owner), data(address)
{
}

Geometry::Indices::~Indices()
{
    geometry->indexBuffer->unlock();
}

template <typename T>
class Geometry::TIndices : public Geometry::Indices {
public:
    using Indices::Indices;

    int get(int position) const override { return static_cast<int>(*at(position)); }
    void set(int position, int value) override { *at(position) = static_cast<T>(value); }

private:
    T* at(int position) const
    {
        int total = geometry->indexBuffer->indexCount();
        if (position < 0 || position >= total)
            outOfRange("index position", position, total);
        return reinterpret_cast<T*>(data) + position;
    }
};

// ------------------------------------------------------------------- Geometry

Geometry::Geometry() = default;

Geometry::~Geometry()
{
    for (VertexBuffer* buffer : vertexBuffers)
        delete buffer;
    delete indexBuffer;
}

int Geometry::addVertexBuffer(VertexBuffer* buffer)
{
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!vertexBuffers[slot]) {
            vertexBuffers[slot] = buffer;
            return slot;
        }
    }
    return kSlots;
}

void Geometry::addBinding(int slot, int component, int semantic)
{
    if (slot < 0 || slot >= kSlots)
        throw Frontend::Error("FrontendExt::Geometry::addBinding: slot " + std::to_string(slot) +
                              " out of range (0 to 15)");
    bindings.push_back({slot, component, semantic});
}

namespace {

Geometry::Attribute* makeAttribute(Geometry* geometry, VertexBuffer* buffer, int component)
{
    int type = buffer->componentType(component);
    if (type < kTypeByte || type > kTypeDouble)
        return nullptr;
    auto* base = static_cast<unsigned char*>(buffer->lock(true, true));
    if (!base && buffer->vertexCount() > 0) {
        buffer->unlock(); // a failed mapping must not be written through
        return nullptr;
    }
    unsigned char* address = base ? base + buffer->componentOffset(component) : nullptr;
    int scalars = buffer->componentScalars(component);
    switch (type) {
    case kTypeByte: return new Geometry::TAttribute<signed char>(geometry, buffer, address, scalars);
    case kTypeShort: return new Geometry::TAttribute<short>(geometry, buffer, address, scalars);
    case kTypeInt: return new Geometry::TAttribute<int>(geometry, buffer, address, scalars);
    case kTypeFloat: return new Geometry::TAttribute<float>(geometry, buffer, address, scalars);
    default: return new Geometry::TAttribute<double>(geometry, buffer, address, scalars);
    }
}

} // namespace

Geometry::Attribute* Geometry::getAttribute(int semantic)
{
    for (const Binding& binding : bindings) {
        if (binding.semantic != semantic)
            continue;
        VertexBuffer* buffer = boundBuffer(*this, binding);
        if (!buffer || binding.component < 0 || binding.component >= buffer->componentCount())
            return nullptr;
        return makeAttribute(this, buffer, binding.component);
    }
    return nullptr;
}

Geometry::Indices* Geometry::getIndices()
{
    if (!indexBuffer)
        return nullptr;
    int type = indexBuffer->indexType();
    if (type < kIndexUByte || type > kIndexUInt)
        return nullptr;
    auto* base = static_cast<unsigned char*>(indexBuffer->lock(true, true));
    if (!base && indexBuffer->indexCount() > 0) {
        indexBuffer->unlock();
        return nullptr;
    }
    switch (type) {
    case kIndexUByte: return new TIndices<unsigned char>(this, base);
    case kIndexUShort: return new TIndices<unsigned short>(this, base);
    default: return new TIndices<unsigned int>(this, base);
    }
}

void Geometry::draw()
{
    for (const Binding& binding : bindings) {
        if (VertexBuffer* buffer = boundBuffer(*this, binding)) {
            Frontend::checkNativeError(kDrawLocation, 46);
            buffer->bind(binding.component, binding.semantic);
            Frontend::checkNativeError(kDrawLocation, 48);
        }
    }
    if (indexBuffer) {
        Frontend::checkNativeError(kDrawLocation, 52);
        indexBuffer->drawIndexed(primitive, 0, -1);
        Frontend::checkNativeError(kDrawLocation, 54);
    } else if (VertexBuffer* buffer = firstBuffer(*this)) {
        buffer->drawArrays(primitive, 0, -1);
        Frontend::checkNativeError(kDrawLocation, 63);
    }
    for (const Binding& binding : bindings) {
        if (VertexBuffer* buffer = boundBuffer(*this, binding)) {
            Frontend::checkNativeError(kDrawLocation, 71);
            buffer->unbind(binding.semantic);
            Frontend::checkNativeError(kDrawLocation, 73);
        }
    }
    Frontend::checkNativeError(kDrawLocation, 75);
}

// --------------------------------------------------------- tangent space

namespace {

struct Vec {
    float x, y, z;
};

Vec sub(Vec a, Vec b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec scaled(Vec a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
bool finite(Vec a)
{
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// Unit vector along v, or the fallback when v has no direction (zero,
// infinite or NaN). Very small or very large vectors are rescaled first so
// that their length does not underflow or overflow.
Vec normalizedOr(Vec v, Vec fallback)
{
    float length = std::sqrt(dot(v, v));
    if (std::isfinite(length) && length > 0.0f)
        return scaled(v, 1.0f / length);
    float largest = std::fmax(std::fabs(v.x), std::fmax(std::fabs(v.y), std::fabs(v.z)));
    if (!finite(v) || !(largest > 0.0f))
        return fallback;
    v = scaled(v, 1.0f / largest);
    return scaled(v, 1.0f / std::sqrt(dot(v, v)));
}

// A unit vector orthogonal to n: the x axis made orthogonal to n, or the y
// axis when n is close to x. For the default normal (0, 0, 1) this is (1, 0, 0).
Vec orthogonalTo(Vec n)
{
    Vec axis = std::fabs(n.x) < 0.9f ? Vec{1.0f, 0.0f, 0.0f} : Vec{0.0f, 1.0f, 0.0f};
    return normalizedOr(sub(axis, scaled(n, dot(n, axis))), Vec{1.0f, 0.0f, 0.0f});
}

Vec read3(const Geometry::Attribute& attribute, int vertex)
{
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    attribute.get(v, vertex);
    return {v[0], v[1], v[2]};
}

void accumulate(Geometry::Attribute& attribute, int vertex, Vec add)
{
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    attribute.get(v, vertex);
    attribute.set(vertex, v[0] + add.x, v[1] + add.y, v[2] + add.z, v[3] + 1.0f);
}

using AttributePtr = std::unique_ptr<Geometry::Attribute>;

struct TangentAccessors {
    Geometry::Attribute& positions;
    Geometry::Attribute& texCoords;
    Geometry::Indices& indices;
    Geometry::Attribute& normals;
    Geometry::Attribute& tangents;
    Geometry::Attribute& binormals;
};

void accumulateFaces(TangentAccessors& access, int vertexCount, int triangles);
void normalizeFrames(TangentAccessors& access, int vertexCount);

} // namespace

int Geometry::computeTangentSpace(int texCoordSemantic, int normalSemantic, int tangentSemantic, int binormalSemantic)
{
    if (primitive != kPrimitiveTriangles)
        return 0;
    VertexBuffer* first = firstBuffer(*this);
    if (!first || first->vertexCount() == 0)
        return 0;
    int vertexCount = first->vertexCount();

    AttributePtr positions(getAttribute(kSemanticPosition));
    AttributePtr texCoords(getAttribute(texCoordSemantic));
    std::unique_ptr<Indices> indices(getIndices());
    if (!positions || !texCoords || !indices)
        return 0;

    // Targets that have no binding yet get one new buffer of 3-float components.
    const int semantics[3] = {normalSemantic, tangentSemantic, binormalSemantic};
    AttributePtr targets[3];
    int missing = 0;
    for (int i = 0; i < 3; ++i) {
        targets[i].reset(getAttribute(semantics[i]));
        if (!targets[i])
            ++missing;
    }
    int newSlot = 0;
    if (missing > 0) {
        const int counts[3] = {3, 3, 3};
        auto* buffer = new VertexBuffer(missing, counts, vertexCount, kUsageStatic, nullptr, nullptr);
        newSlot = addVertexBuffer(buffer);
        if (newSlot == kSlots) {
            delete buffer;
            return 0;
        }
        int component = 0;
        for (int i = 0; i < 3; ++i) {
            if (targets[i])
                continue;
            addBinding(newSlot, component++, semantics[i]);
            targets[i].reset(getAttribute(semantics[i]));
        }
    }
    for (const AttributePtr& target : targets)
        if (!target)
            return 0;

    // Never touch a vertex that some accessor's buffer does not hold.
    for (const Attribute* a : {positions.get(), texCoords.get(), targets[0].get(), targets[1].get(), targets[2].get()})
        vertexCount = std::min(vertexCount, a->vertexBuffer()->vertexCount());

    TangentAccessors access{*positions, *texCoords, *indices, *targets[0], *targets[1], *targets[2]};
    accumulateFaces(access, vertexCount, indexBuffer->indexCount() / 3);
    normalizeFrames(access, vertexCount);
    return missing > 0 ? newSlot : 0;
}

namespace {

void accumulateFaces(TangentAccessors& access, int vertexCount, int triangles)
{
    for (int i = 0; i < vertexCount; ++i) {
        access.normals.set(i, 0.0f, 0.0f, 0.0f, 0.0f);
        access.tangents.set(i, 0.0f, 0.0f, 0.0f, 0.0f);
        access.binormals.set(i, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    for (int j = 0; j < triangles; ++j) {
        int i0 = access.indices.get(3 * j);
        int i1 = access.indices.get(3 * j + 1);
        int i2 = access.indices.get(3 * j + 2);
        // Indices are unsigned on disk; anything outside the vertices is skipped, not followed.
        if (i0 < 0 || i1 < 0 || i2 < 0 || i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        Vec p0 = read3(access.positions, i0), p1 = read3(access.positions, i1), p2 = read3(access.positions, i2);
        Vec e1 = sub(p0, p1);
        Vec e2 = sub(p2, p1);
        Vec normal = cross(e1, e2);
        accumulate(access.normals, i0, normal);
        accumulate(access.normals, i1, normal);
        accumulate(access.normals, i2, normal);

        Vec t0 = read3(access.texCoords, i0), t1 = read3(access.texCoords, i1), t2 = read3(access.texCoords, i2);
        float d1u = t0.x - t1.x, d1v = t0.y - t1.y;
        float d2u = t2.x - t1.x, d2v = t2.y - t1.y;
        float denominator = d1v * d2u - d2v * d1u;
        // A triangle whose texture coordinates are collinear has no texture
        // direction: it adds nothing rather than an infinite tangent.
        if (denominator == 0.0f)
            continue;
        float r = 1.0f / denominator;
        Vec tangent = scaled(sub(scaled(e2, d1v), scaled(e1, d2v)), r);
        if (!finite(tangent))
            continue;
        accumulate(access.tangents, i0, tangent);
        accumulate(access.tangents, i1, tangent);
        accumulate(access.tangents, i2, tangent);
    }
}

// A vertex with no usable normal gets (0, 0, 1); one with no usable tangent
// gets a unit vector orthogonal to its normal. The binormal is n x t.
void normalizeFrames(TangentAccessors& access, int vertexCount)
{
    for (int i = 0; i < vertexCount; ++i) {
        Vec n = normalizedOr(read3(access.normals, i), Vec{0.0f, 0.0f, 1.0f});
        Vec raw = read3(access.tangents, i);
        Vec t = normalizedOr(raw, Vec{0.0f, 0.0f, 0.0f});
        if (dot(t, t) == 0.0f)
            t = orthogonalTo(n);
        Vec b = cross(n, t);
        access.normals.set(i, n.x, n.y, n.z, 1.0f);
        access.tangents.set(i, t.x, t.y, t.z, 1.0f);
        access.binormals.set(i, b.x, b.y, b.z, 1.0f);
    }
}

} // namespace

} // namespace FrontendExt
