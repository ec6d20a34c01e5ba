// Asynchronous readback through pixel buffer objects; see FrameReader.h.
#include "tools/capture/FrameReader.h"

#include <cstring>

#include <epoxy/gl.h>

#include "frontend/Error.h"

namespace Capture {

FrameReader::FrameReader(int width, int height, FrameLayout layout)
    : frameWidth(width), frameHeight(height), frameLayout(layout)
{
    const auto bytes = static_cast<GLsizeiptr>(frameBytes(layout, width, height));
    rows.resize(static_cast<std::size_t>(bytes));
    glGenBuffers(kBuffers, buffers);
    for (unsigned buffer : buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

FrameReader::~FrameReader()
{
    glDeleteBuffers(kBuffers, buffers);
}

void FrameReader::start(unsigned framebuffer)
{
    if (full())
        throw Frontend::Error("frame readback: every buffer is still waiting to be finished");
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(framebuffer == 0 ? GL_BACK : GL_COLOR_ATTACHMENT0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers[head]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (frameLayout == FrameLayout::Yuv420)
        glReadPixels(0, 0, frameWidth, frameHeight / 2 * 3, GL_RED, GL_UNSIGNED_BYTE, nullptr);
    else
        glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glPixelStorei(GL_PACK_ALIGNMENT, 4); // GL's default, which every other read assumes
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    head = (head + 1) % kBuffers;
    ++count;
}

const unsigned char* FrameReader::finishOldest()
{
    if (count == 0)
        throw Frontend::Error("frame readback: no frame is waiting");
    const int oldest = (head - count + kBuffers) % kBuffers;
    const std::size_t stride = static_cast<std::size_t>(frameWidth) * 3;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers[oldest]);
    const auto* mapped = static_cast<const unsigned char*>(
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(rows.size()), GL_MAP_READ_BIT));
    if (!mapped) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        throw Frontend::Error("frame readback: the GPU's pixel buffer cannot be mapped");
    }
    // GL hands rows bottom first; pictures want the top of the screen first.
    // The converter already drew its planes in memory order.
    if (frameLayout == FrameLayout::Yuv420)
        std::memcpy(rows.data(), mapped, rows.size());
    else
        for (int y = 0; y < frameHeight; ++y)
            std::memcpy(rows.data() + stride * y, mapped + stride * (frameHeight - 1 - y), stride);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    --count;
    return rows.data();
}

} // namespace Capture
