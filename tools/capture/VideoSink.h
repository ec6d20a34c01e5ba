// One video file with the music, written through the FFmpeg libraries:
// H.264 (libx264) where the build has it, MPEG-4 part 2 otherwise, yuv420p
// at the capture's frame rate, or FFV1 in RGB for a lossless master; sound of
// the music samples that cover the captured span (AAC in MP4, lossless FLAC in
// Matroska, which joins exactly), interleaved with the pictures as they
// arrive so the muxer never has to hold the whole film.
//
//   VideoSinkDesc desc;  desc.path = "out.mp4"; desc.width = 800; ...
//   desc.music = &track; desc.audioFrom = 0; desc.audioTo = 240;
//   VideoSink sink(desc);                       // opens out.partial.mp4, writes the header
//   sink.writeFrame(rgb); ...; sink.finish();   // writes the index, renames it to out.mp4
//
// A sink destroyed unfinished removes its partial file; one killed outright
// leaves it under its partial name, never under desc.path.
#pragma once

#include <memory>
#include <string>

#include "tools/capture/FrameSink.h"

namespace Vantrel {
struct PcmTrack;
}

namespace Capture {

struct VideoSinkDesc {
    std::string path; // .mp4 or .mkv; the container follows the extension
    int width = 800;  // both even
    int height = 600;
    int fpsNum = 60; // frames per second as the exact fraction fpsNum / fpsDen: the video's time base
    int fpsDen = 1;
    const Vantrel::PcmTrack* music = nullptr; // null: a silent film without an audio stream
    double audioFrom = 0.0;                   // seconds of the track heard at the first frame
    double audioTo = 0.0;                     // end of the sound, exclusive
    int crf = 20;                             // H.264 constant quality
    std::string preset = "superfast";         // x264 speed preset
    bool fullRange = false;                   // YUV over 0..255, tagged so; else 16..235
    bool lossless = false;                    // FFV1 in RGB (Matroska), bit-exact pictures
};

class VideoSink : public FrameSink {
public:
    explicit VideoSink(const VideoSinkDesc& desc);
    ~VideoSink() override;
    VideoSink(const VideoSink&) = delete;
    VideoSink& operator=(const VideoSink&) = delete;

    void writeFrame(const unsigned char* rgbTopFirst) override;
    // YUV 4:2:0 frames skip the CPU's conversion; a lossless master takes RGB only.
    FrameLayout layout() const override;
    bool takeLayout(FrameLayout wanted) override;
    void finish() override;
    std::string describe() const override;
    // Where the film is while it is being written.
    const std::string& writingPath() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace Capture
