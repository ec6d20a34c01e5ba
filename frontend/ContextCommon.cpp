// The parts of the context and the timer that need no platform: the
// platform's Context.cpp has the window, the GL context and the counter.
#include "frontend/Context.h"

#include "frontend/Shader.h"
#include "frontend/State.h"

namespace Frontend {

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
