// The base of everything that draws.
//
// A Drawable sees the demo clock, the music spectrum and the catalogues, and
// binds shaders and textures only through the helpers below, which remember
// which texture parameters were set so that the next shader switch releases
// exactly those. Every Drawable registers itself with its Demo when it is
// constructed; the Demo prepares and warms up all of them once.
//
//   useShader("vantrel_sphericalenv.cg");
//   setTexture("tex0", "jall.jpg");
//   setVector("color", 1, 1, 1, 1);
//   setStateParameters();
//   drawMesh("gaffel.qbr", -1);
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontend/State.h"

namespace Frontend {
class CompleteShader;
class Texture;
}

namespace Vantrel {

class Demo;
class TextureResourceProxy;
class PixelShaderResourceProxy;
class VertexShaderResourceProxy;
class CompleteShaderResourceProxy;
class QBRResourceProxy;
class TargetResourceProxy;

struct BeatTrigger {
    float level = 0.0f;
    float hold = 0.15f;
    bool fired = false;
};

// Runs one trigger on `value`: fires when the value rises above the threshold
// and the last firing's hold has run out. Shared by Drawable::beatTrigger and
// the scenes that keep a trigger of their own.
bool runBeatTrigger(BeatTrigger& trigger, float value, float threshold, float frameTime);

class Drawable : public Frontend::State {
public:
    Drawable(Demo* demo, const std::string& name);
    virtual ~Drawable() = default;

    virtual void draw() {}
    virtual void renderSpan(float start, float length);
    virtual void prepare() {}

    // Shader and texture binding.
    void useShader(std::string_view shaderFile);
    void setTexture(std::string_view parameter, const Frontend::Texture* texture);
    void setTexture(std::string_view parameter, std::string_view textureFile);
    void releaseTextures();
    void disableTexture(std::string_view parameter);
    void setFloat(std::string_view parameter, float value);
    void setVector(std::string_view parameter, const float* values);
    void setVector(std::string_view parameter, float x, float y, float z, float w);
    void setStateParameters();

    // Camera and projection, remembered in the Demo for drawables that follow.
    void lookAt(float ex, float ey, float ez, float tx, float ty, float tz, float ux, float uy, float uz);
    void perspective(float fov, float aspect, float zNear, float zFar);
    void setEnvironmentTexture(std::string_view textureFile);

    // Draws one part of a catalogue mesh, or all parts for -1.
    void drawMesh(std::string_view meshFile, int part);

    bool beatTrigger(int band, float threshold);
    static float ease(float x);

    // A quad in device coordinates with identity matrices and texture
    // coordinates (0, 0) to (1, 1); the bound shader's state parameters are sent.
    void drawFullscreenQuad(float x0, float y0, float x1, float y1);

    // Lays a catalogue image over the bound target as a flat quad in device coordinates.
    void drawImage(std::string_view image, float x, float y, float width, float height, int sourceFactor,
                   int destinationFactor);

    Demo* demo;
    const float* time;
    const float* frameTime;
    const float* spectrum;
    float localTime = 0.0f;
    float progress = 0.0f;
    TextureResourceProxy* textures;
    PixelShaderResourceProxy* pixelShaders;
    VertexShaderResourceProxy* vertexShaders;
    CompleteShaderResourceProxy* shaders;
    QBRResourceProxy* meshes;
    TargetResourceProxy* effectTargets;
    TargetResourceProxy* targets;
    std::vector<std::string> boundTextures;
    Frontend::CompleteShader* shader = nullptr;
    BeatTrigger triggers[10];

protected:
    // Shared by Drawable::renderSpan and Element::renderSpan.
    void beginSpan(float start, float length);
    // The immediate-mode quad of drawFullscreenQuad and drawImage: texture
    // coordinates (0, 0) to (1, 1), each given before its corner.
    static void texturedQuad(float x0, float y0, float x1, float y1);
};

} // namespace Vantrel
