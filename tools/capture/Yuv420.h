// The YUV 4:2:0 a video's pictures are converted to, on the CPU or the GPU,
// and what its tags say: BT.709 for pictures taller than standard definition
// (576 lines), BT.601 up to it; limited range (Y 16..235, U and V 16..240)
// unless full range is asked for. Chroma is centred between its four
// pixels: the mean of each pair of columns, filtered down the rows by the
// 8-tap bicubic (B = 0, C = 0.6) that swscale uses by default for halving.
#pragma once

#include <cstddef>

namespace Capture {

inline bool usesBt709(int height)
{
    return height > 576;
}

// Bytes of one frame's three planes, tightly packed.
inline std::size_t yuv420Bytes(int width, int height)
{
    return static_cast<std::size_t>(width) * height + 2 * static_cast<std::size_t>(width / 2) * (height / 2);
}

// The weights of source rows 2j - 3 .. 2j + 4 in chroma row j; they add up to 1.
constexpr float kChromaRowTaps[8] = {-0.0140625f, -0.0421875f, 0.1203125f, 0.4359375f,
                                     0.4359375f,  0.1203125f,  -0.0421875f, -0.0140625f};

} // namespace Capture
