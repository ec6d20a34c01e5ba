#include "std_effects/Skybox.h"

#include "demo/Demo.h"
#include "frontend/Texture.h"
#include "frontend_ext/Buffers.h"

namespace StdVantrel {

using Frontend::State;

namespace {

struct Corner {
    float s, t, x, y, z;
};

// One quad per face: z = -10, z = +10, x = -10, x = +10, y = -10, y = +10.
constexpr Corner kFaces[24] = {
    {0, 0, -10, -10, -10}, {1, 0, 10, -10, -10},  {1, 1, 10, 10, -10},  {0, 1, -10, 10, -10},  {0, 0, -10, -10, 10},
    {1, 0, 10, -10, 10},   {1, 1, 10, 10, 10},    {0, 1, -10, 10, 10},  {0, 0, -10, -10, -10}, {1, 0, -10, 10, -10},
    {1, 1, -10, 10, 10},   {0, 1, -10, -10, 10},  {0, 0, 10, -10, -10}, {1, 0, 10, 10, -10},   {1, 1, 10, 10, 10},
    {0, 1, 10, -10, 10},   {0, 0, -10, -10, -10}, {1, 0, 10, -10, -10}, {1, 1, 10, -10, 10},   {0, 1, -10, -10, 10},
    {0, 0, -10, 10, -10},  {1, 0, 10, 10, -10},   {1, 1, 10, 10, 10},   {0, 1, -10, 10, 10},
};

} // namespace

Skybox::Skybox(Vantrel::Demo* owner) : Vantrel::Drawable(owner, "Skybox")
{
}

void Skybox::draw()
{
    useShader("vantrel_texture.cg");
    setFloat("alpha", 1.0f);
    if (const Frontend::Texture* environment = demo->sharedTextures[0])
        setTexture("tex0", environment);
    pushAll();
    // Only the camera's orientation counts: the cube always surrounds the eye.
    const Vantrel::Camera& camera = demo->camera;
    State::lookAt(0.0f, 0.0f, 0.0f, camera.targetPosition[0] - camera.cameraPosition[0],
                  camera.targetPosition[1] - camera.cameraPosition[1],
                  camera.targetPosition[2] - camera.cameraPosition[2], camera.up[0], camera.up[1], camera.up[2]);
    State::perspective(demo->projection.fov, demo->projection.aspect, 1.0f, 100.0f);
    disable(Frontend::kDepthTest);
    disable(Frontend::kCullFace);
    setStateParameters();
    drawFaces();
    enable(Frontend::kDepthTest);
    popAll();
}

void Skybox::drawSky(std::string_view skyTexture)
{
    (*textures)[skyTexture]->setWrap(1);
    setEnvironmentTexture(skyTexture);
    caps = true;
    draw();
}

void Skybox::drawFaces()
{
    begin(FrontendExt::kPrimitiveQuads);
    for (int i = 0; i < 24; i++) {
        const Corner& corner = kFaces[i];
        float s = corner.s;
        float t = corner.t;
        if (caps && i < 4) {
            s = 0.0f; // bottom-left texel
            t = 0.0f;
        } else if (caps && i < 8) {
            s = 0.0f; // top-left texel
            t = 1.0f;
        }
        vertexAttribute(FrontendExt::kSemanticTexCoord0, s, t, 0.0f, 1.0f);
        vertexAttribute(FrontendExt::kSemanticPosition, corner.x, corner.y, corner.z, 1.0f);
    }
    end();
}

} // namespace StdVantrel
