// Drum sounds. The kick is shaped for the demo's spectrum triggers as much as
// for the ear: each kick lifts the two lowest FFT bins (0-172 Hz) above the
// trigger threshold once, for a couple of video frames at any frame phase,
// and then stays far enough below it that the next kick re-arms them.
#include "tools/assets/music/Instruments.h"

#include "tools/assets/music/Envelopes.h"
#include "tools/assets/music/Filters.h"
#include "tools/assets/music/Oscillators.h"

#include <cmath>

namespace Assets {

namespace {

uint32_t seedFor(int64_t frame, uint32_t salt)
{
    return static_cast<uint32_t>(frame * 2654435761u) ^ salt;
}

// Frames [from, to) of an event, clipped to what the buffer can take.
bool span(const StereoBuffer& out, int64_t start, float seconds, int64_t& end)
{
    end = start + static_cast<int64_t>(seconds * kRate);
    return out.overlaps(start, end);
}

// The kick in three layers. Its first half-cycle is a slow positive push (a
// quick quarter-cycle rise, then a long fall back to zero): the window mean
// that bin 0 reads stays well above the trigger for a couple of video
// frames whatever the frame phase, and bin 1 sees the same push as one
// smooth hump. The pitched body only starts as the push falls away, and it
// sweeps down through the two lowest bins already decaying, so neither bin
// reads a second hump; last comes the beater click.
struct KickPush {
    float rise = 0.008f;   // seconds from zero to the crest
    float length = 0.041f; // seconds until it is back at zero
    float level = 0.593f;

    float at(float t) const
    {
        if (t < rise)
            return level * std::sin(1.5707963f * t / rise);
        if (t < length)
            return level * std::cos(1.5707963f * (t - rise) / (length - rise));
        return 0.0f;
    }
};

struct KickBody {
    float start = 0.032f; // seconds after the hit
    float fromHz = 253.5f, toHz = 64.9f, sweep = 0.057f;
    float level = 0.518f, decay = 0.072f;
};

} // namespace

void renderKick(StereoBuffer& out, const Hit& hit)
{
    const int64_t start = beatFrame(hit.beat);
    int64_t end;
    if (!span(out, start, kKickSeconds, end))
        return;
    const KickPush push;
    const KickBody shape;
    Noise noise(seedFor(start, 1));
    OnePole clickFilter(3000.0f);
    float phase = 0.0f;
    for (int64_t f = start; f < end; ++f) {
        const float t = static_cast<float>(f - start) / kRate;
        float body = 0.0f;
        if (t >= shape.start) {
            const float u = t - shape.start;
            phase += (shape.toHz + (shape.fromHz - shape.toHz) * std::exp(-u / shape.sweep)) / kRate;
            body = shape.level * std::sin(6.28318531f * phase) * percussive(u, shape.decay, 0.001f);
        }
        const float click = clickFilter.highpass(noise.next()) * percussive(t, 0.004f, 0.0005f);
        const float fadeOut = std::min(1.0f, (kKickSeconds - t) / 0.05f);
        const float v = hit.gain * fadeOut * (push.at(t) + body + 0.25f * click);
        out.add(f, v, v);
    }
}

void renderClap(StereoBuffer& out, const Hit& hit)
{
    const int64_t start = beatFrame(hit.beat);
    int64_t end;
    if (!span(out, start, 0.45f, end))
        return;
    Noise left(seedFor(start, 2)), right(seedFor(start, 3));
    Svf bandL, bandR;
    for (int64_t f = start; f < end; ++f) {
        const float t = static_cast<float>(f - start) / kRate;
        // three quick slaps, then the room
        float env = 0.0f;
        for (int i = 0; i < 3; ++i)
            env += percussive(t - 0.011f * i, 0.005f, 0.0005f);
        env += 0.55f * percussive(t - 0.03f, 0.13f, 0.002f);
        const float l = bandL.bandpass(left.next(), 1250.0f, 0.35f);
        const float r = bandR.bandpass(right.next(), 1350.0f, 0.35f);
        out.add(f, hit.gain * env * l, hit.gain * env * r);
    }
}

void renderSnare(StereoBuffer& out, const Hit& hit)
{
    const int64_t start = beatFrame(hit.beat);
    int64_t end;
    if (!span(out, start, 0.35f, end))
        return;
    Noise noise(seedFor(start, 4));
    Svf high;
    float phase = 0.0f;
    for (int64_t f = start; f < end; ++f) {
        const float t = static_cast<float>(f - start) / kRate;
        phase += (185.0f + 60.0f * std::exp(-t / 0.01f)) / kRate;
        const float body = std::sin(6.28318531f * phase) * percussive(t, 0.05f);
        const float rattle = high.highpass(noise.next(), 1800.0f, 0.1f) * percussive(t, 0.12f);
        const float v = hit.gain * (0.5f * body + 0.6f * rattle);
        out.add(f, v, v);
    }
}

void renderHat(StereoBuffer& out, const Hit& hit, bool open)
{
    const int64_t start = beatFrame(hit.beat);
    const float decay = open ? 0.16f : 0.028f;
    int64_t end;
    if (!span(out, start, decay * 6.0f, end))
        return;
    Noise noise(seedFor(start, 5));
    Svf high;
    const Pan pan(open ? 0.25f : -0.2f);
    for (int64_t f = start; f < end; ++f) {
        const float t = static_cast<float>(f - start) / kRate;
        const float v = hit.gain * high.highpass(noise.next(), 7500.0f, 0.2f) * percussive(t, decay, 0.0005f);
        out.add(f, v * pan.left, v * pan.right);
    }
}

void renderCrash(StereoBuffer& out, const Hit& hit)
{
    const int64_t start = beatFrame(hit.beat);
    int64_t end;
    if (!span(out, start, 2.5f, end))
        return;
    Noise left(seedFor(start, 6)), right(seedFor(start, 7));
    Svf highL, highR;
    for (int64_t f = start; f < end; ++f) {
        const float t = static_cast<float>(f - start) / kRate;
        const float env = hit.gain * (0.6f * percussive(t, 0.5f, 0.001f) + 0.4f * percussive(t, 0.06f, 0.001f));
        out.add(f, env * highL.highpass(left.next(), 4200.0f, 0.3f), env * highR.highpass(right.next(), 4000.0f, 0.3f));
    }
}

void renderRiser(StereoBuffer& out, const Hit& hit, double beats)
{
    const int64_t start = beatFrame(hit.beat);
    const int64_t end = beatFrame(hit.beat + beats);
    if (!out.overlaps(start, end))
        return;
    Noise left(seedFor(start, 8)), right(seedFor(start, 9));
    Svf bandL, bandR;
    const float length = static_cast<float>(end - start);
    for (int64_t f = start; f < end; ++f) {
        const float x = static_cast<float>(f - start) / length; // 0 .. 1
        const float hz = 300.0f * std::pow(30.0f, x);
        const float env = hit.gain * x * x;
        out.add(f, env * bandL.bandpass(left.next(), hz, 0.6f), env * bandR.bandpass(right.next(), hz * 1.05f, 0.6f));
    }
}

} // namespace Assets
