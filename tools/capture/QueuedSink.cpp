// The bounded frame queue between the capture's rendering and encoding threads.
#include "tools/capture/QueuedSink.h"

#include <cstring>

namespace Capture {

QueuedSink::QueuedSink(std::unique_ptr<FrameSink> inner, int width, int height, int slots)
    : sink(std::move(inner)),
      frameBytes(Capture::frameBytes(sink->layout(), width, height)),
      ring(static_cast<std::size_t>(slots > 0 ? slots : 1), std::vector<unsigned char>(frameBytes))
{
    worker = std::thread([this] { encodeLoop(); });
}

QueuedSink::~QueuedSink()
{
    stopThread();
}

void QueuedSink::stopThread()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
    }
    changed.notify_all();
    if (worker.joinable())
        worker.join();
}

void QueuedSink::encodeLoop()
{
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return count > 0 || closing; });
        if (count == 0)
            return;
        const std::size_t slot = (head + ring.size() - count) % ring.size();
        guard.unlock();
        std::exception_ptr error;
        try {
            sink->writeFrame(ring[slot].data());
        } catch (...) {
            error = std::current_exception();
        }
        guard.lock();
        --count;
        if (error) {
            // Nothing after a failed frame may reach the file.
            failure = error;
            count = 0;
            closing = true;
            changed.notify_all();
            return;
        }
        changed.notify_all();
    }
}

void QueuedSink::rethrowFailure()
{
    if (failure)
        std::rethrow_exception(failure);
}

void QueuedSink::writeFrame(const unsigned char* rgbTopFirst)
{
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return count < ring.size() || failure; });
    rethrowFailure();
    std::vector<unsigned char>& slot = ring[head];
    guard.unlock();
    // The encoder never touches a free slot, so the copy needs no lock.
    std::memcpy(slot.data(), rgbTopFirst, frameBytes);
    guard.lock();
    head = (head + 1) % ring.size();
    ++count;
    changed.notify_all();
}

void QueuedSink::finish()
{
    if (finished)
        return;
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return count == 0 || failure; });
    }
    stopThread();
    rethrowFailure();
    sink->finish();
    finished = true;
}

std::string QueuedSink::describe() const
{
    return sink->describe();
}

} // namespace Capture
