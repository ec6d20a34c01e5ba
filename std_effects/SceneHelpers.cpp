#include "std_effects/SceneHelpers.h"

#include <cmath>
#include <cstdint>

#include "demo/Drawable.h"

namespace StdVantrel {

namespace {
uint32_t randomState = 1;
}

void srand(unsigned seed)
{
    randomState = seed;
}

int rand()
{
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 32767u);
}

float signedRandom()
{
    return static_cast<float>(rand() / 32767.0 * 2.0 - 1.0);
}

Vec3 randomVector()
{
    Vec3 v;
    v.x = signedRandom();
    v.y = signedRandom();
    v.z = signedRandom();
    return v;
}

void fillSpinTrack(Scene::VectorTrack& track, const SpinTrackDesc& desc, const std::function<void(float)>& afterKey)
{
    srand(1);
    float d = 0.0f;
    for (int i = 0; i < desc.keys; i++) {
        Vec3 p = randomVector();
        p = {desc.radius * p.x, desc.radius * p.y, desc.radius * p.z};
        const float j = std::fabs(3.0f * signedRandom());
        const float k = std::fabs(signedRandom());
        const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        d = d + length * (k + desc.lengthWeight) + (j + desc.minimumPause);
        track.addKey(p, d);
        if (afterKey)
            afterKey(d);
    }
}

Vec3 randomPath(int base, float t, bool linear)
{
    Vec3 keys[4];
    for (int j = 0; j < 4; j++) {
        double seed = static_cast<double>(base) + static_cast<double>(t) + j;
        srand(static_cast<unsigned>(static_cast<int>(std::trunc(seed))));
        keys[j] = randomVector();
    }
    float f = t - std::floor(t);
    if (linear)
        return lerp(keys[0], keys[1], f);
    return cubic(keys[0], keys[1], keys[2], keys[3], f);
}

} // namespace StdVantrel

namespace Vantrel {

void Drawable::drawImage(std::string_view image, float x, float y, float w, float h, int sourceFactor,
                         int destinationFactor)
{
    Frontend::BlendScope overlay(sourceFactor, destinationFactor, true);
    pushAll();
    resetMatrices();
    useShader("vantrel_texture.cg");
    setFloat("alpha", 1.0f);
    setStateParameters();
    setTexture("tex0", image);
    texturedQuad(x, y, x + w, y + h);
    popAll();
}

} // namespace Vantrel
