// The instruments of the piece. Each renders one event into a buffer at the
// event's absolute position; events that miss the buffer cost nothing.
// Noise seeds derive from the event position, so every render is identical.
#pragma once

#include "tools/assets/music/Buffer.h"

namespace Assets {

struct Hit {
    double beat = 0.0;
    float gain = 1.0f;
};

struct Note {
    double beat = 0.0;
    double length = 1.0; // beats the key is held
    float pitch = 60.0f; // MIDI note number
    float gain = 1.0f;
};

// Timbre of the tonal instruments; 0..1 brightness opens the filter.
struct Tone {
    float brightness = 0.5f;
    float pan = 0.0f;
};

// Drums (Drums.cpp)
void renderKick(StereoBuffer& out, const Hit& hit);
void renderClap(StereoBuffer& out, const Hit& hit);
void renderSnare(StereoBuffer& out, const Hit& hit);
void renderHat(StereoBuffer& out, const Hit& hit, bool open);
void renderCrash(StereoBuffer& out, const Hit& hit);
// Filtered noise swelling from `hit.beat` for `beats`, ending at its loudest.
void renderRiser(StereoBuffer& out, const Hit& hit, double beats);

// Tonal voices (Synths.cpp)
void renderBass(StereoBuffer& out, const Note& note, const Tone& tone);
void renderPad(StereoBuffer& out, const Note& note, const Tone& tone);
void renderPluck(StereoBuffer& out, const Note& note, const Tone& tone);
void renderLead(StereoBuffer& out, const Note& note, const Tone& tone);

// Seconds a kick rings; the ducking of the other instruments follows it.
constexpr float kKickSeconds = 0.42f;

} // namespace Assets
