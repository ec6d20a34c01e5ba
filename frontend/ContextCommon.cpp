// The parts of the context and the timer that need no platform: the
// platform's Context.cpp has the window, the GL context and the counter.
#include "frontend/Context.h"

#include "frontend/GL.h"
#include "frontend/Shader.h"
#include "frontend/State.h"

namespace Frontend {

namespace {

Context* currentContext = nullptr;

} // namespace

void Context::startDrawing()
{
    glViewport(0, 0, mainWindow->clientWidth(), mainWindow->clientHeight());
    currentContext = this;

    cg = std::make_unique<CgContext>();
    shader = std::make_unique<CompleteShader>(kDefaultShaderSource, "vsMain", "psMain", "<default shader>");
    shader->bind();
}

Context::~Context()
{
    release();
    if (currentContext == this)
        currentContext = nullptr;
}

void Context::makeCurrent()
{
    if (!glContext)
        return;
    makeNativeCurrent();
    currentContext = this;
    cg->makeCurrent();
}

Context* Context::current()
{
    return currentContext;
}

void Context::bindDefaultShader()
{
    shader->bind();
    shader->setStateMatrices(State::computeStateMatrices());
}

float Timer::time()
{
    return seconds();
}

float Timer::delta()
{
    float now = seconds();
    float result = now - lastTime;
    lastTime = now;
    return result;
}

} // namespace Frontend
