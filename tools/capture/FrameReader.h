// Reads composed frames back from the GPU through a ring of pixel buffer
// objects, so that the transfer of one frame overlaps the composition of the
// next instead of stalling the CPU in glReadPixels.
//
//   FrameReader reader(width, height);
//   reader.start(0);                       // after composing: queue the read of the back buffer
//   if (reader.full()) sink.writeFrame(reader.finishOldest());
//   ...
//   while (reader.pending() > 0) sink.writeFrame(reader.finishOldest());
//
// The bytes are those of a plain glReadPixels of GL_RGB, flipped to top row
// first; or, for FrameLayout::Yuv420, the YuvConverter's planes as they lie.
#pragma once

#include <vector>

#include "tools/capture/FrameSink.h"

namespace Capture {

class FrameReader {
public:
    FrameReader(int width, int height, FrameLayout layout = FrameLayout::Rgb);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Queues the read of `framebuffer` (0: the back buffer) into the next free buffer.
    void start(unsigned framebuffer);
    bool full() const { return count == kBuffers; }
    int pending() const { return count; }
    // The oldest queued frame, in the reader's layout; valid until the next call.
    const unsigned char* finishOldest();

private:
    static constexpr int kBuffers = 3;
    int frameWidth;
    int frameHeight;
    FrameLayout frameLayout;
    unsigned buffers[kBuffers] = {};
    int head = 0;  // next buffer to fill
    int count = 0; // buffers queued and not yet finished
    std::vector<unsigned char> rows;
};

} // namespace Capture
