// Runs another FrameSink on a thread of its own, so that PNG compression or
// video and sound encoding overlap the rendering of the next frames.
//
//   QueuedSink sink(std::make_unique<VideoSink>(desc), width, height, 4);
//   sink.writeFrame(rgb);   // copies the frame into a free slot; waits only when all are full
//   sink.finish();          // waits for the queue to drain, then finishes the inner sink
//
// Frames reach the inner sink in the order given, so its output is the same
// as when it is driven directly. The slots, of the inner sink's layout (set
// it before), are allocated once; a failure on
// the encoding thread comes back as the exception of the next call here.
#pragma once

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/capture/FrameSink.h"

namespace Capture {

class QueuedSink : public FrameSink {
public:
    QueuedSink(std::unique_ptr<FrameSink> inner, int width, int height, int slots);
    ~QueuedSink() override;
    QueuedSink(const QueuedSink&) = delete;
    QueuedSink& operator=(const QueuedSink&) = delete;

    void writeFrame(const unsigned char* rgbTopFirst) override;
    FrameLayout layout() const override { return sink->layout(); }
    void finish() override;
    std::string describe() const override;

private:
    void encodeLoop();
    void stopThread();
    void rethrowFailure();

    std::unique_ptr<FrameSink> sink;
    std::size_t frameBytes;
    std::vector<std::vector<unsigned char>> ring;
    std::size_t head = 0;  // next slot to fill
    std::size_t count = 0; // slots filled and not yet encoded
    bool closing = false;
    std::exception_ptr failure;
    std::mutex lock;
    std::condition_variable changed;
    std::thread worker;
    bool finished = false;
};

} // namespace Capture
