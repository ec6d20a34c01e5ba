// The Demo's platform-free half: the catalogues it loads, the warm-up, the
// timeline, the composition of a frame and opening the music. Starting, the
// loop and playing the music are the platform's (Demo.cpp on the desktop,
// web/platform/Demo.cpp in the browser).
#include "demo/Demo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "demo/Element.h"
#include "demo/Music.h"
#include "frontend/Context.h"
#include "frontend/DataPath.h"
#include "frontend/Error.h"
#include "frontend/RenderTarget.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "frontend/StopRequest.h"
#include "frontend_ext/Buffers.h"

namespace Vantrel {

using Frontend::State;

Demo::Demo() = default;
Demo::~Demo()
{
    // An Element may play in several entries; each is freed once.
    std::vector<Element*> scenes;
    for (const TimelineEntry& entry : timeline)
        if (entry.element && std::find(scenes.begin(), scenes.end(), entry.element) == scenes.end())
            scenes.push_back(entry.element);
    for (Element* scene : scenes)
        delete scene;
}

void Demo::load()
{
    textures.loadFiles("data/", "*.jpg");
    textures.loadFiles("data/", "*.png");
    meshes.loadFiles("data/", "*.qbr");
    shaders.loadFiles("data/", "*.cg");
    shaders.loadFiles("vantrel_data/", "*.cg");
    targets.loadResource(this);
    effectTargets.loadResource(this);
}

float Demo::beatsToSeconds(int beats) const
{
    double product = static_cast<double>(beats) * 60.0;
    return static_cast<float>(product / tempo);
}

int Demo::sideAtScale(int side, float scale)
{
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(side) * scale)));
}

int Demo::scaledSide(int side) const
{
    return sideAtScale(side, renderScale);
}

Frontend::ContextDesc Demo::contextDesc(bool hiddenWindow) const
{
    Frontend::ContextDesc desc;
    desc.width = width;
    desc.height = height;
    desc.depthBits = depthBits;
    desc.stencilBits = stencilBits;
    desc.samples = samples;
    desc.pixelType = floatPixels;
    desc.hidden = hiddenWindow;
    desc.ordinaryWindow = windowed && !fullscreen;
    return desc;
}

void Demo::warmUpShaders()
{
    // A driver compiles a program to machine code on its first draw (tens of
    // milliseconds on a software rasteriser); pay that now, not mid-scene.
    targets[4]->bind();
    for (const auto& [name, shader] : shaders.entries()) {
        Frontend::throwIfStopRequested();
        shader->bind();
        shader->setStateMatrices(State::computeStateMatrices());
        State::begin(FrontendExt::kPrimitiveQuads);
        State::vertexAttribute(FrontendExt::kSemanticPosition, -1.0f, -1.0f, 0.0f, 1.0f);
        State::vertexAttribute(FrontendExt::kSemanticPosition, 1.0f, -1.0f, 0.0f, 1.0f);
        State::vertexAttribute(FrontendExt::kSemanticPosition, 1.0f, 1.0f, 0.0f, 1.0f);
        State::vertexAttribute(FrontendExt::kSemanticPosition, -1.0f, 1.0f, 0.0f, 1.0f);
        State::end();
    }
    State::finish();
    Frontend::RenderTarget::unbind();
    Frontend::Context::current()->bindDefaultShader();
}

void Demo::prepareDrawables()
{
    for (Drawable* drawable : drawables())
        drawable->prepare();
    // Walk by index: drawables that scenes create in their first draw register
    // themselves now and are warmed up in this same pass.
    for (size_t i = 0; i < drawables().size(); i++) {
        Frontend::throwIfStopRequested();
        drawables()[i]->draw();
    }
}

int Demo::activeEntry() const
{
    int active = -1;
    for (size_t i = 0; i < timeline.size(); i++) {
        if (timeline[i].isActiveAt(time))
            active = static_cast<int>(i);
    }
    return active;
}

bool Demo::atBoundaryBetweenEntries() const
{
    for (const TimelineEntry& ending : timeline)
        for (const TimelineEntry& starting : timeline)
            if (ending.end == time && starting.start == time)
                return true;
    return false;
}

void Demo::composeFrame()
{
    // With no entry active the window would keep whatever an earlier frame or
    // the warm-up left there, a picture of another moment: it is black instead.
    // Only the instant between two adjacent entries composes nothing at all.
    if (activeEntry() < 0 && !atBoundaryBetweenEntries()) {
        Frontend::RenderTarget::unbind();
        State::setViewport(0, 0, width, height);
        State::clear(0.0f, 0.0f, 0.0f, 0.0f, true, true, true);
        return;
    }
    for (size_t i = 0; i < timeline.size(); i++) {
        const TimelineEntry& entry = timeline[i];
        if (!entry.isActiveAt(time))
            continue;
        if (!entryScales.empty())
            useScale(entryScales[i]);
        Element* element = entry.element;
        State::setMultisample(false);
        State::resetState();
        element->renderSpan(entry.start, entry.end - entry.start);
        Frontend::RenderTarget::unbind();
        State::setViewport(0, 0, width, height);
        State::clear(0.0f, 0.0f, 0.0f, 0.0f, true, true, true);
        PixelRect picture = placePicture(fit, width, height, viewport[2], viewport[3]);
        State::setViewport(viewport[0] + picture.x, viewport[1] + picture.y, picture.width, picture.height);
        element->useShader("vantrel_texture.cg");
        element->setTexture("tex0", element->colorTexture());
        element->drawFullscreenQuad(-1.0f, -1.0f, 1.0f, 1.0f);
        element->releaseTextures();
    }
}

void Demo::useScale(float scale)
{
    if (scale == scaleInUse)
        return;
    scaleInUse = scale;
    for (Drawable* drawable : drawables())
        if (auto* element = dynamic_cast<Element*>(drawable))
            element->useScale(scale);
}

void Demo::followDrawable(Frontend::Context& context)
{
    int drawableWidth = context.window().clientWidth();
    int drawableHeight = context.window().clientHeight();
    if (drawableWidth > 0 && drawableHeight > 0) {
        width = drawableWidth;
        height = drawableHeight;
    }
}

void Demo::dumpFrame(Frontend::Context& context)
{
    static int dumpCounter = 0; // numbers dumps across the whole process
    // One line says why dumps fail (a folder that cannot be written); the show goes on without them.
    static bool dumpsFail = false;
    if (dumpsFail)
        return;
    Frontend::RenderTarget::unbind();
    char name[32];
    std::snprintf(name, sizeof name, "dump%i.png", dumpCounter);
    dumpsFail = !context.saveScreenshot(Frontend::outputPath(name));
    dumpCounter++;
}

bool Demo::openMusic(Music& music)
{
    if (!music.init())
        Frontend::showMessage("BASS", "BASS error");
    music.setOffsetSeconds(audioOffset);
    if (!music.open(musicFile)) {
        Frontend::showMessage("BASS", "BASS error, file not found?");
        std::fprintf(stderr, "%s\n", music.problem().c_str());
        return false;
    }
    return true;
}

} // namespace Vantrel
