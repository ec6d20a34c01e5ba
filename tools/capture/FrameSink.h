// Where captured frames go. The capture loop hands every frame to one
// FrameSink, as upright 8-bit RGB rows (top row first, no padding) or, for a
// sink that takes it, as the planes of YUV 4:2:0 converted on the GPU.
//
//   std::unique_ptr<FrameSink> sink = std::make_unique<PngSequenceSink>("shots", 800, 600);
//   sink->writeFrame(rgb);        // once per frame, in rendering order
//   sink->finish();               // flush; a sink that is not finished may leave a partial file
//
// Constructors check that the output can be written, so a bad path fails
// before minutes of start-up; later write failures throw Frontend::Error.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/capture/Yuv420.h"

namespace Capture {

// Rgb: width x height x 3 bytes. Yuv420: Y (width x height), then U and V
// ((width / 2) x (height / 2) each), top rows first, tightly packed; see Yuv420.h.
enum class FrameLayout { Rgb, Yuv420 };

inline std::size_t frameBytes(FrameLayout layout, int width, int height)
{
    return layout == FrameLayout::Yuv420 ? yuv420Bytes(width, height) : static_cast<std::size_t>(width) * height * 3;
}

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // One frame in the sink's layout().
    virtual void writeFrame(const unsigned char* rgbTopFirst) = 0;
    virtual FrameLayout layout() const { return FrameLayout::Rgb; }
    // Asks for frames in `wanted` from now on, before the first; false (and
    // RGB still) when the sink cannot take that layout.
    virtual bool takeLayout(FrameLayout wanted) { return wanted == FrameLayout::Rgb; }
    virtual void finish() = 0;
    // What to tell the user when the run is over ("312 frames in shots/").
    virtual std::string describe() const = 0;
};

// DIR/frame_000000.png, frame_000001.png, ... numbered in rendering order.
// Frames marked in `kept` (see framesOnDisk) are already there: the sink is
// not handed them and numbers the others around them.
class PngSequenceSink : public FrameSink {
public:
    PngSequenceSink(const std::string& directory, int width, int height, std::vector<bool> kept = {});
    void writeFrame(const unsigned char* rgbTopFirst) override;
    void finish() override {}
    std::string describe() const override;

    // The name of frame `index` inside the folder.
    static std::string frameName(long index);

private:
    std::string folder;
    std::string pathBuffer;
    std::string partBuffer;
    int frameWidth;
    int frameHeight;
    std::vector<bool> keptFrames;
    long written = 0; // the index of the next frame, kept ones included
    long added = 0;   // frames this run wrote
};

// Which of the first `count` frames of a PNG capture in `directory` are
// complete: a frame only gets its name once it is whole. A frame of another
// size than width x height is refused by name (another capture's folder).
std::vector<bool> framesOnDisk(const std::string& directory, long count, int width, int height);

} // namespace Capture
