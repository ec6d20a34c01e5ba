// Tonal voices. The bass sits an octave above the kick's body and is kept
// quiet enough in the lowest FFT bins that only kicks cross the demo's
// spectrum trigger; the pads are high-passed for the same reason.
#include "tools/assets/music/Instruments.h"

#include "tools/assets/music/Envelopes.h"
#include "tools/assets/music/Filters.h"
#include "tools/assets/music/Oscillators.h"

#include <cmath>

namespace Assets {

namespace {

struct NoteSpan {
    int64_t start, gateEnd, end;
    float gate; // seconds
};

NoteSpan noteSpan(const Note& note, float releaseSeconds)
{
    NoteSpan s;
    s.start = beatFrame(note.beat);
    s.gateEnd = beatFrame(note.beat + note.length);
    s.gate = static_cast<float>(s.gateEnd - s.start) / kRate;
    s.end = s.gateEnd + static_cast<int64_t>(releaseSeconds * 5.0f * kRate);
    return s;
}

float cents(float c)
{
    return std::pow(2.0f, c / 1200.0f);
}

} // namespace

void renderBass(StereoBuffer& out, const Note& note, const Tone& tone)
{
    const Adsr env{0.003f, 0.12f, 0.75f, 0.025f};
    const NoteSpan s = noteSpan(note, env.release);
    if (!out.overlaps(s.start, s.end))
        return;
    const float hz = midiHz(note.pitch);
    Saw saw;
    Sine sub;
    Svf filter;
    OnePole rumbleCut(45.0f);
    const float baseCutoff = 250.0f + 900.0f * tone.brightness;
    for (int64_t f = s.start; f < s.end; ++f) {
        const float t = static_cast<float>(f - s.start) / kRate;
        const float cutoff = baseCutoff + 2200.0f * tone.brightness * std::exp(-t / 0.07f);
        const float raw = 0.55f * saw.next(hz) + 0.45f * sub.next(hz);
        const float v = note.gain * env.at(t, s.gate) * rumbleCut.highpass(filter.lowpass(raw, cutoff, 0.3f));
        out.add(f, v, v);
    }
}

void renderPad(StereoBuffer& out, const Note& note, const Tone& tone)
{
    const Adsr env{0.35f, 0.8f, 0.8f, 0.45f};
    const NoteSpan s = noteSpan(note, env.release);
    if (!out.overlaps(s.start, s.end))
        return;
    const float hz = midiHz(note.pitch);
    // Start phases from the pitch: fixed, but different for each chord tone.
    const float p = std::fmod(note.pitch * 0.137f, 1.0f);
    Saw a(p), b(std::fmod(p + 0.33f, 1.0f)), c(std::fmod(p + 0.66f, 1.0f));
    Svf lowL, lowR;
    OnePole highL1(220.0f), highL2(220.0f), highR1(220.0f), highR2(220.0f);
    const float cutoff = 700.0f + 2600.0f * tone.brightness;
    for (int64_t f = s.start; f < s.end; ++f) {
        const float t = static_cast<float>(f - s.start) / kRate;
        const float e = note.gain * env.at(t, s.gate);
        const float sa = a.next(hz * cents(-9.0f)), sb = b.next(hz), sc = c.next(hz * cents(8.0f));
        const float l = lowL.lowpass(0.7f * sa + 0.5f * sb + 0.2f * sc, cutoff, 0.15f);
        const float r = lowR.lowpass(0.2f * sa + 0.5f * sb + 0.7f * sc, cutoff, 0.15f);
        out.add(f, e * highL2.highpass(highL1.highpass(l)), e * highR2.highpass(highR1.highpass(r)));
    }
}

void renderPluck(StereoBuffer& out, const Note& note, const Tone& tone)
{
    const NoteSpan s = noteSpan(note, 0.06f);
    const int64_t end = s.start + static_cast<int64_t>(0.5f * kRate);
    if (!out.overlaps(s.start, end))
        return;
    const float hz = midiHz(note.pitch);
    Square square;
    Saw saw(0.25f);
    Svf filter;
    const Pan pan(tone.pan);
    for (int64_t f = s.start; f < end; ++f) {
        const float t = static_cast<float>(f - s.start) / kRate;
        const float cutoff = 500.0f + (1500.0f + 5000.0f * tone.brightness) * std::exp(-t / 0.07f);
        const float raw = 0.5f * square.next(hz, 0.3f) + 0.5f * saw.next(hz * 1.003f);
        const float v = note.gain * percussive(t, 0.16f, 0.001f) * filter.lowpass(raw, cutoff, 0.45f);
        out.add(f, v * pan.left, v * pan.right);
    }
}

void renderLead(StereoBuffer& out, const Note& note, const Tone& tone)
{
    const Adsr env{0.012f, 0.25f, 0.7f, 0.12f};
    const NoteSpan s = noteSpan(note, env.release);
    if (!out.overlaps(s.start, s.end))
        return;
    const float hz = midiHz(note.pitch);
    Saw a, b(0.5f);
    Sine vibrato;
    Svf filter;
    const float cutoff = 1400.0f + 3500.0f * tone.brightness;
    for (int64_t f = s.start; f < s.end; ++f) {
        const float t = static_cast<float>(f - s.start) / kRate;
        const float depth = t > 0.18f ? std::min(1.0f, (t - 0.18f) * 3.0f) : 0.0f;
        const float wobble = 1.0f + 0.004f * depth * vibrato.next(5.5f);
        const float raw = a.next(hz * wobble * cents(-6.0f)) + b.next(hz * wobble * cents(6.0f));
        const float v = 0.5f * note.gain * env.at(t, s.gate) * filter.lowpass(raw, cutoff, 0.25f);
        out.add(f, v * 0.9f, v);
    }
}

} // namespace Assets
