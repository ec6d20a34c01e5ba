// How large a capture's frames may be: the GL context's own limits on the
// pictures it can draw and read, and the memory the tool's frame buffers take
// (readback, the queue to the encoder, the encoder's picture, motion blur),
// checked before any of them is allocated so that a size too large for the
// machine ends in a message instead of an allocation failure.
//
//   std::string problem = sizeProblem(width, height, queryGlLimits());
//   FrameMemory memory = planFrameMemory(width, height, blur, wantedSlots, physicalMemory());
//   if (!memory.problem.empty()) ...; QueuedSink(..., memory.slots);
#pragma once

#include <cstdint>
#include <string>

namespace Capture {

struct GlLimits {
    int renderbufferSize = 0; // GL_MAX_RENDERBUFFER_SIZE
    int textureSize = 0;      // GL_MAX_TEXTURE_SIZE
    int viewportWidth = 0;    // GL_MAX_VIEWPORT_DIMS
    int viewportHeight = 0;
};

// The limits of the current GL context.
GlLimits queryGlLimits();

// Empty when a width x height frame fits every limit; otherwise which one it passes.
std::string sizeProblem(int width, int height, const GlLimits& limits);

// The finished frames waiting for the encoder never take more than this, nor
// an eighth of the machine's memory.
constexpr uint64_t kQueueBudgetBytes = uint64_t{1} << 30;

struct FrameMemory {
    int slots = 1;       // frames the queue may hold, at least one
    uint64_t bytes = 0;  // what every frame buffer takes together
    std::string problem; // empty when that fits in half the machine's memory
};

// `blur`: whether motion blur's float targets are needed. The queue gets up to
// `wantedSlots` frames within its budget.
FrameMemory planFrameMemory(int width, int height, bool blur, int wantedSlots, uint64_t physicalBytes);

// The machine's physical memory in bytes.
uint64_t physicalMemory();

} // namespace Capture
