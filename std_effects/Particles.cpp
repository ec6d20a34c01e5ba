#include "std_effects/Particles.h"

#include <string>

#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend_ext/Buffers.h"

namespace StdVantrel {

using namespace FrontendExt;

namespace {

constexpr int kPosition = 0;
constexpr int kColour = 3;
constexpr int kTexCoord = 7;
constexpr int kOffset = 9;
constexpr int kStride = Particles::kVertexFloats;

// Corner signs and which texture edge each corner takes, in drawing order.
constexpr float kCornerX[4] = {-1.0f, 1.0f, 1.0f, -1.0f};
constexpr float kCornerY[4] = {-1.0f, -1.0f, 1.0f, 1.0f};

} // namespace

Particles::Particles(Vantrel::Demo* owner, int count) : Vantrel::Drawable(owner, "Untitled"), sprites(count)
{
    if (count < 1)
        throw Frontend::Error("StdVantrel::Particles: a set needs at least one sprite, not " + std::to_string(count));
    const int counts[4] = {3, 4, 2, 2};
    buffer = std::make_unique<VertexBuffer>(4, counts, 4 * count, kUsageDynamic, nullptr, nullptr);
    for (int i = 0; i < count; i++) {
        setPosition(i, 0.0f, 0.0f, 0.0f);
        setColor(i, 1.0f, 1.0f, 1.0f, 1.0f);
        setSize(i, 1.0f);
        setTextureRect(i, 0.0f, 0.0f, 1.0f, 1.0f);
    }
    buffer->unlock();
    mapped = nullptr;
}

Particles::~Particles() = default;

float* Particles::sprite(int index)
{
    // An index outside the set would write past the mapped buffer.
    if (index < 0 || index >= sprites)
        throw Frontend::Error("StdVantrel::Particles: sprite " + std::to_string(index) + " outside 0.." +
                              std::to_string(sprites - 1));
    if (!mapped) {
        mapped = static_cast<float*>(buffer->lock(true, true));
        if (!mapped) {
            buffer->unlock();
            throw Frontend::Error("StdVantrel::Particles: the sprite buffer could not be mapped");
        }
    }
    return mapped + 4 * index * kStride;
}

void Particles::setPosition(int index, float x, float y, float z)
{
    float* vertex = sprite(index);
    for (int corner = 0; corner < 4; corner++, vertex += kStride) {
        vertex[kPosition] = x;
        vertex[kPosition + 1] = y;
        vertex[kPosition + 2] = z;
    }
}

void Particles::setColor(int index, float r, float g, float b, float a)
{
    float* vertex = sprite(index);
    for (int corner = 0; corner < 4; corner++, vertex += kStride) {
        vertex[kColour] = r;
        vertex[kColour + 1] = g;
        vertex[kColour + 2] = b;
        vertex[kColour + 3] = a;
    }
}

void Particles::setSize(int index, float size)
{
    float* vertex = sprite(index);
    for (int corner = 0; corner < 4; corner++, vertex += kStride) {
        vertex[kOffset] = kCornerX[corner] * size;
        vertex[kOffset + 1] = kCornerY[corner] * size;
    }
}

void Particles::setTextureRect(int index, float s0, float t0, float s1, float t1)
{
    float* vertex = sprite(index);
    for (int corner = 0; corner < 4; corner++, vertex += kStride) {
        vertex[kTexCoord] = kCornerX[corner] < 0.0f ? s0 : s1;
        vertex[kTexCoord + 1] = kCornerY[corner] < 0.0f ? t0 : t1;
    }
}

void Particles::draw()
{
    if (mapped) {
        buffer->unlock();
        mapped = nullptr;
    }
    disable(Frontend::kCullFace);
    useShader("vantrel_particles.cg");
    if (const Frontend::Texture* environment = demo->sharedTextures[0])
        setTexture("tex0", environment);
    buffer->bind(0, kSemanticPosition);
    buffer->bind(1, kSemanticColor);
    buffer->bind(2, kSemanticTexCoord0);
    buffer->bind(3, kSemanticTexCoord0 + 1);
    setStateParameters();
    buffer->drawArrays(kPrimitiveQuads, 0, -1);
    buffer->unbind(kSemanticPosition);
    buffer->unbind(kSemanticColor);
    buffer->unbind(kSemanticTexCoord0);
    buffer->unbind(kSemanticTexCoord0 + 1);
}

} // namespace StdVantrel
