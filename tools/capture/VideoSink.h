// One video file with the music, written through the FFmpeg libraries:
// H.264 (libx264) where the build has it, MPEG-4 part 2 otherwise, yuv420p
// at the capture's frame rate; sound of the music samples that cover the
// captured span (AAC in MP4, lossless FLAC in Matroska, which joins exactly), interleaved with the pictures as they
// arrive so the muxer never has to hold the whole film.
//
//   VideoSinkDesc desc;  desc.path = "out.mp4"; desc.width = 800; ...
//   desc.music = &track; desc.audioFrom = 0; desc.audioTo = 240;
//   VideoSink sink(desc);                       // opens the file, writes the header
//   sink.writeFrame(rgb); ...; sink.finish();   // finish() writes the index
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
};

class VideoSink : public FrameSink {
public:
    explicit VideoSink(const VideoSinkDesc& desc);
    ~VideoSink() override;
    VideoSink(const VideoSink&) = delete;
    VideoSink& operator=(const VideoSink&) = delete;

    void writeFrame(const unsigned char* rgbTopFirst) override;
    void finish() override;
    std::string describe() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace Capture
