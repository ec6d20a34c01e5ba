// The development mode's keys, taken from SDL's event stream as they are
// pressed (the main loop handles only one window event per frame, so keys
// are caught by an event watch and queued until the next frame).
//
//   DevKeyQueue keys;
//   keys.watchKeyboard();             // once SDL's video is up
//   DevKey key;
//   while (keys.next(key)) act(key);  // once per frame
#pragma once

namespace Vantrel {

enum class DevKey {
    Pause,
    BeatBack,
    BeatForward,
    BarsBack,
    BarsForward,
    PreviousEntry,
    NextEntry,
    Home,
    OffsetEarlier, // the sound is taken as heard 5 ms sooner
    OffsetLater,
};

class DevKeyQueue {
public:
    DevKeyQueue() = default;
    ~DevKeyQueue();
    DevKeyQueue(const DevKeyQueue&) = delete;
    DevKeyQueue& operator=(const DevKeyQueue&) = delete;

    void watchKeyboard();
    // Queues a key as if it had been typed; keys beyond the queue's room are dropped.
    void push(DevKey key);
    bool next(DevKey& key);

private:
    static constexpr int kRoom = 32;
    DevKey keys[kRoom] = {};
    int head = 0;
    int count = 0;
    bool watching = false;
};

} // namespace Vantrel
