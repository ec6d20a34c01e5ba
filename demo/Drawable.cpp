#include "demo/Drawable.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend/Shader.h"
#include "frontend_ext/QBRLoader.h"

namespace Vantrel {

using Frontend::State;

bool runBeatTrigger(BeatTrigger& trigger, float value, float threshold, float frameTime)
{
    bool above = threshold < value;
    if (trigger.level <= 0.0f && above) {
        trigger.level = trigger.hold;
        trigger.fired = true;
    } else if (!above) {
        trigger.level = 0.0f;
    }
    trigger.level -= frameTime;
    bool fired = trigger.fired;
    trigger.fired = false;
    return fired;
}

Drawable::Drawable(Demo* owner, const std::string& name)
    : demo(owner),
      time(&owner->time),
      frameTime(&owner->frameTime),
      spectrum(owner->spectrum),
      textures(&owner->textures),
      pixelShaders(&owner->pixelShaders),
      vertexShaders(&owner->vertexShaders),
      shaders(&owner->shaders),
      meshes(&owner->meshes),
      effectTargets(&owner->effectTargets),
      targets(&owner->targets)
{
    owner->registerDrawable(name, this);
    for (const Frontend::Texture*& slot : owner->sharedTextures)
        slot = nullptr;
}

void Drawable::beginSpan(float start, float length)
{
    localTime = *time - start;
    progress = localTime / length;
    State::clear(0.0f, 0.0f, 0.0f, 0.0f, true, true, true);
}

void Drawable::renderSpan(float start, float length)
{
    beginSpan(start, length);
    draw();
}

void Drawable::useShader(std::string_view shaderFile)
{
    releaseTextures();
    shader = (*shaders)[shaderFile];
    shader->bind();
}

void Drawable::setTexture(std::string_view parameter, const Frontend::Texture* texture)
{
    boundTextures.emplace_back(parameter);
    shader->setTexture(parameter, texture);
}

void Drawable::setTexture(std::string_view parameter, std::string_view textureFile)
{
    boundTextures.emplace_back(parameter);
    shader->setTexture(parameter, (*textures)[textureFile]);
}

void Drawable::releaseTextures()
{
    if (shader) {
        for (const std::string& name : boundTextures)
            shader->disableTexture(name);
    }
    boundTextures.clear();
}

void Drawable::disableTexture(std::string_view parameter)
{
    if (shader)
        shader->disableTexture(parameter);
}

void Drawable::setFloat(std::string_view parameter, float value)
{
    if (shader)
        shader->setFloat(parameter, value);
}

void Drawable::setVector(std::string_view parameter, const float* values)
{
    if (shader)
        shader->setFloat4(parameter, values[0], values[1], values[2], values[3]);
}

void Drawable::setVector(std::string_view parameter, float x, float y, float z, float w)
{
    if (shader)
        shader->setFloat4(parameter, x, y, z, w);
}

void Drawable::setStateParameters()
{
    if (!shader)
        return; // nothing bound yet: there is no program to hand the matrices to
    const Camera& camera = demo->camera;
    setVector("cameraPosition", camera.cameraPosition[0], camera.cameraPosition[1], camera.cameraPosition[2], 1.0f);
    setVector("targetPosition", camera.targetPosition[0], camera.targetPosition[1], camera.targetPosition[2], 1.0f);
    shader->setStateMatrices(State::computeStateMatrices());
}

void Drawable::lookAt(float ex, float ey, float ez, float tx, float ty, float tz, float ux, float uy, float uz)
{
    demo->camera = Camera{{ex, ey, ez}, {tx, ty, tz}, {ux, uy, uz}};
    State::lookAt(ex, ey, ez, tx, ty, tz, ux, uy, uz);
}

void Drawable::perspective(float fov, float aspect, float zNear, float zFar)
{
    demo->projection = Projection{fov, aspect, zNear, zFar};
    State::perspective(fov, aspect, zNear, zFar);
}

void Drawable::setEnvironmentTexture(std::string_view textureFile)
{
    demo->sharedTextures[0] = (*textures)[textureFile];
}

void Drawable::drawMesh(std::string_view meshFile, int part)
{
    FrontendExt::QBRLoader* loader = (*meshes)[meshFile];
    if (part != -1) {
        loader->mesh(part).draw();
        return;
    }
    // A file with no meshes would draw nothing at all: the first access reports it.
    const int count = std::max(loader->meshCount(), 1);
    for (int i = 0; i < count; i++)
        loader->mesh(i).draw();
}

bool Drawable::beatTrigger(int band, float threshold)
{
    return runBeatTrigger(triggers[0], spectrum[band], threshold, *frameTime);
}

float Drawable::ease(float x)
{
    if (x < 0.0f)
        x = 0.0f;
    if (x > 1.0f)
        x = 1.0f;
    const float pi = std::numbers::pi_v<float>;
    return 0.5f - 0.5f * std::cos(pi * x);
}

void Drawable::drawFullscreenQuad(float x0, float y0, float x1, float y1)
{
    State::pushAll();
    State::resetMatrices();
    State::disable(Frontend::kDepthTest);
    State::disable(Frontend::kCullFace);
    setStateParameters();
    texturedQuad(x0, y0, x1, y1);
    State::enable(Frontend::kDepthTest);
    State::popAll();
}

void Drawable::texturedQuad(float x0, float y0, float x1, float y1)
{
    State::begin(FrontendExt::kPrimitiveQuads);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, 0.0f, 0.0f, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x0, y0, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, 1.0f, 0.0f, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x1, y0, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, 1.0f, 1.0f, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x1, y1, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, 0.0f, 1.0f, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x0, y1, 0.0f, 1.0f);
    State::end();
}

} // namespace Vantrel
