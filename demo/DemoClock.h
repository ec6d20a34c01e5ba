// The demo clock: the music position while the music plays. When the stream
// could not be created, or the music ends before the demo does, the
// performance-counter timer carries on from where the music stopped, so the
// demo still reaches its end instead of freezing.
#pragma once

namespace Vantrel {

class DemoClock {
public:
    explicit DemoClock(float musicStart) : start(musicStart), handover(musicStart) {}

    float fromMusic(bool musicPlaying, float musicPosition, float timerSeconds)
    {
        if (musicPlaying) {
            handover = musicPosition;
            return musicPosition;
        }
        if (!onTimer) {
            onTimer = true;
            timerAtHandover = timerSeconds;
        }
        return handover + (timerSeconds - timerAtHandover);
    }

    float fromTimer(float timerSeconds) const { return timerSeconds + start; }

private:
    float start;
    float handover;
    float timerAtHandover = 0.0f;
    bool onTimer = false;
};

} // namespace Vantrel
