// A hook into the main loop, for tools that steer a running demo (the
// maker's development mode). The Demo has none by default, and then its loop
// is exactly the plain demo's.
//
//   class Steer : public Vantrel::FrameHook { ... };
//   Steer steer;
//   production.frameHook = &steer;
//   production.run();
#pragma once

namespace Frontend {
class Context;
}

namespace Vantrel {

class Demo;
class Music;

class FrameHook {
public:
    virtual ~FrameHook() = default;
    // Once, after the music started and before the first frame; music is null
    // when the production has no music file, and musicPlays false when it failed.
    virtual void begin(Demo& demo, Frontend::Context& context, Music* music, bool musicPlays) = 0;
    // Each frame once time, frameTime and spectrum are read; may move the clock.
    // Returning false ends the loop before this frame is composed.
    virtual bool beforeCompose(Demo& demo) = 0;
    // Each frame after the composition and the F10 dump, before it is presented.
    virtual void afterCompose(Demo& demo) = 0;
    // Once after the loop, however it ended, while the context still exists:
    // the place to let go of what the hook made in it.
    virtual void end(Demo& demo) = 0;
};

// Several hooks in one, called in the order given (the first may move the
// clock before the next reads it); not owning them. Null entries are skipped.
class FrameHookChain : public FrameHook {
public:
    FrameHookChain(FrameHook* first, FrameHook* second) : hooks{first, second} {}
    void begin(Demo& demo, Frontend::Context& context, Music* music, bool musicPlays) override
    {
        for (FrameHook* hook : hooks)
            if (hook)
                hook->begin(demo, context, music, musicPlays);
    }
    bool beforeCompose(Demo& demo) override
    {
        for (FrameHook* hook : hooks)
            if (hook && !hook->beforeCompose(demo))
                return false;
        return true;
    }
    void afterCompose(Demo& demo) override
    {
        for (FrameHook* hook : hooks)
            if (hook)
                hook->afterCompose(demo);
    }
    void end(Demo& demo) override
    {
        for (FrameHook* hook : hooks)
            if (hook)
                hook->end(demo);
    }

private:
    FrameHook* hooks[2];
};

} // namespace Vantrel
