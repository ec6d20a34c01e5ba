// Size and memory limits of a capture's frames; see FrameBudget.h.
#include "tools/capture/FrameBudget.h"

#include <algorithm>
#include <cstdio>

#include <epoxy/gl.h>
#include <unistd.h>

namespace Capture {

namespace {

std::string mebibytes(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MiB", static_cast<double>(bytes) / (1 << 20));
    return text;
}

} // namespace

GlLimits queryGlLimits()
{
    GlLimits limits;
    GLint viewport[2] = {};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.renderbufferSize);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.textureSize);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.viewportWidth = viewport[0];
    limits.viewportHeight = viewport[1];
    return limits;
}

std::string sizeProblem(int width, int height, const GlLimits& limits)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const int side = std::max(width, height);
    if (side > limits.textureSize)
        return "--size " + size + ": this GL driver's pictures are at most " + std::to_string(limits.textureSize) +
               " pixels a side (GL_MAX_TEXTURE_SIZE)";
    if (side > limits.renderbufferSize)
        return "--size " + size + ": this GL driver draws into pictures of at most " +
               std::to_string(limits.renderbufferSize) + " pixels a side (GL_MAX_RENDERBUFFER_SIZE)";
    if (width > limits.viewportWidth || height > limits.viewportHeight)
        return "--size " + size + ": this GL driver's viewport is at most " + std::to_string(limits.viewportWidth) +
               "x" + std::to_string(limits.viewportHeight) + " (GL_MAX_VIEWPORT_DIMS)";
    return "";
}

FrameMemory planFrameMemory(int width, int height, bool blur, int wantedSlots, uint64_t physicalBytes)
{
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const uint64_t frameBytes = pixels * 3;
    const uint64_t queueBudget = std::min(kQueueBudgetBytes, physicalBytes / 8);
    FrameMemory plan;
    plan.slots = static_cast<int>(std::clamp<uint64_t>(queueBudget / frameBytes, 1, std::max(wantedSlots, 1)));
    // Readback: three pixel buffers and one upright copy; the queue; the
    // encoder's picture (4 bytes a pixel at most); the blur's 8-bit copy and
    // mean and its float sum.
    plan.bytes = frameBytes * (3 + 1 + static_cast<uint64_t>(plan.slots)) + pixels * 4 + (blur ? pixels * 24 : 0);
    if (plan.bytes > physicalBytes / 2)
        plan.problem = "--size " + std::to_string(width) + "x" + std::to_string(height) +
                       (blur ? " with motion blur" : "") + " needs about " + mebibytes(plan.bytes) +
                       " for its frames, more than half of this machine's " + mebibytes(physicalBytes);
    return plan;
}

uint64_t physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return uint64_t{1} << 32; // unknown: assume a small machine of 4 GiB
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

} // namespace Capture
