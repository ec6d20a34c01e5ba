// Converts a composed frame to the video encoder's YUV 4:2:0 on the GPU, so
// that half the bytes of RGB cross the bus and the CPU's converter is
// skipped. One pass renders the three planes, tightly packed in memory order
// (Y width x height, then U and V of (width / 2) x (height / 2), top rows
// first), into an 8-bit picture of width x (3 * height / 2) that a plain
// read of GL_RED returns as the encoder's frame.
//
//   YuvConverter convert(width, height, fullRange);
//   reader.start(convert.convert(framebuffer));   // 0: the back buffer
//
// The conversion is the one FFmpeg's swscale makes for the same tags (see
// Yuv420.h), computed exactly and rounded once: within one level of it in
// every sample. The demo's GL state is saved and restored around the pass.
#pragma once

namespace Capture {

class YuvConverter {
public:
    // Both sides even; BT.709 above 576 lines, BT.601 up to it; 16..235 unless fullRange.
    YuvConverter(int width, int height, bool fullRange);
    ~YuvConverter();
    YuvConverter(const YuvConverter&) = delete;
    YuvConverter& operator=(const YuvConverter&) = delete;

    // Converts the picture in `framebuffer`'s colour buffer; returns the framebuffer holding the planes.
    unsigned convert(unsigned framebuffer);

    // Whether the planes' picture fits this GL driver's limits for a frame of this size.
    static bool fits(int width, int height);
    // Whether the GL driver draws on the CPU (Mesa's llvmpipe, softpipe,
    // swrast): there the pass costs more than swscale's SIMD conversion.
    static bool softwareRenderer();

private:
    int frameWidth;
    int frameHeight;
    unsigned copyTexture = 0, copyFramebuffer = 0;     // the frame, as 8-bit RGB
    unsigned planesTexture = 0, planesFramebuffer = 0; // Y, U, V, one byte a sample
    unsigned program = 0;
    unsigned vertexArray = 0;
};

} // namespace Capture
