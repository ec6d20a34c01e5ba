// Mixing and mastering. The tonal bus is ducked for a moment after each kick
// (side-chain style) so that the kick alone dominates the lowest FFT bins;
// the plucked arpeggio and the lead feed a ping-pong delay on the way in.
#include "tools/assets/music/Mixer.h"

#include "tools/assets/music/Filters.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace Assets {

namespace {

void renderDrums(const Score& s, StereoBuffer& out)
{
    for (const Hit& h : s.kicks)
        renderKick(out, h);
    for (const Hit& h : s.claps)
        renderClap(out, {h.beat, h.gain * 0.42f});
    for (const Hit& h : s.snares)
        renderSnare(out, {h.beat, h.gain * 0.42f});
    for (const Hit& h : s.hats)
        renderHat(out, {h.beat, h.gain * 0.16f}, false);
    for (const Hit& h : s.openHats)
        renderHat(out, {h.beat, h.gain * 0.11f}, true);
    for (const Hit& h : s.crashes)
        renderCrash(out, {h.beat, h.gain * 0.2f});
    for (const Riser& r : s.risers)
        renderRiser(out, {r.hit.beat, r.hit.gain * 0.3f}, r.beats);
}

void scaled(const ToneNote& n, float gain, ToneNote& out)
{
    out = n;
    out.note.gain *= gain;
}

// Ping-pong echo on a dotted eighth, darkened a little on every repeat.
void pingPongDelay(StereoBuffer& bus, float wet, float feedback)
{
    const auto delay = static_cast<size_t>(std::llround(beatSeconds(0.75) * kRate));
    std::vector<float> lineL(delay, 0.0f), lineR(delay, 0.0f);
    OnePole toneL(3500.0f), toneR(3500.0f);
    size_t pos = 0;
    for (size_t i = 0; i < bus.left.size(); ++i) {
        const float echoL = lineL[pos], echoR = lineR[pos];
        const float inMono = 0.5f * (bus.left[i] + bus.right[i]);
        lineL[pos] = toneL.lowpass(inMono + feedback * echoR);
        lineR[pos] = toneR.lowpass(feedback * echoL);
        bus.left[i] += wet * echoL;
        bus.right[i] += wet * echoR;
        pos = (pos + 1) % delay;
    }
}

// Pulls the bus down right after each kick and lets it recover within the beat.
void duck(StereoBuffer& bus, const std::vector<Hit>& kicks, float depth)
{
    const auto length = static_cast<int64_t>(0.3f * kRate);
    for (const Hit& k : kicks) {
        const int64_t start = beatFrame(k.beat);
        for (int64_t f = std::max(start, bus.origin); f < std::min(start + length, bus.end()); ++f) {
            const float t = static_cast<float>(f - start) / kRate;
            const float attack = std::min(1.0f, t / 0.004f);
            const float g = 1.0f - depth * attack * std::exp(-t / 0.09f);
            const auto i = static_cast<size_t>(f - bus.origin);
            bus.left[i] *= g;
            bus.right[i] *= g;
        }
    }
}

} // namespace

Mix mixScore(const Score& s, FrameRange range)
{
    const int64_t frames = range.to - range.from;
    Mix mix{StereoBuffer(range.from, frames), StereoBuffer(range.from, frames)};
    renderDrums(s, mix.drums);

    StereoBuffer sends(range.from, frames);
    ToneNote n;
    for (const ToneNote& p : s.plucks) {
        scaled(p, 0.11f, n);
        renderPluck(sends, n.note, n.tone);
    }
    for (const ToneNote& l : s.leads) {
        scaled(l, 0.16f, n);
        renderLead(sends, n.note, n.tone);
    }
    pingPongDelay(sends, 0.35f, 0.4f);

    for (const ToneNote& b : s.bass) {
        scaled(b, 0.3f, n);
        renderBass(mix.music, n.note, n.tone);
    }
    for (const ToneNote& p : s.pads) {
        scaled(p, 0.075f, n);
        renderPad(mix.music, n.note, n.tone);
    }
    for (size_t i = 0; i < sends.left.size(); ++i) {
        mix.music.left[i] += sends.left[i];
        mix.music.right[i] += sends.right[i];
    }
    duck(mix.music, s.kicks, 0.6f);
    return mix;
}

void limit(std::vector<float>& left, std::vector<float>& right, float ceiling)
{
    const size_t n = left.size();
    const size_t window = 96; // about 2 ms of look-ahead
    // The gain each sample needs on its own.
    std::vector<float> need(n);
    for (size_t i = 0; i < n; ++i) {
        const float peak = std::max(std::fabs(left[i]), std::fabs(right[i]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Minimum over the next `window` samples (monotonic queue), then a moving
    // average over the previous `window`: every average covering sample i
    // only includes minima taken over windows that contain i, so the gain at
    // i never exceeds need[i], and the gain changes smoothly.
    std::vector<float> held(n);
    std::deque<size_t> q;
    for (size_t j = n; j-- > 0;) {
        while (!q.empty() && need[q.back()] >= need[j])
            q.pop_back();
        q.push_back(j);
        if (q.front() >= j + window)
            q.pop_front();
        held[j] = need[q.front()];
    }
    const float release = 1.0f - std::exp(-1.0f / (0.08f * kRate));
    double sum = 0.0;
    float gain = 1.0f;
    for (size_t i = 0; i < n; ++i) {
        sum += held[i];
        if (i >= window)
            sum -= held[i - window];
        const float avg = static_cast<float>(sum / static_cast<double>(std::min(i + 1, window)));
        gain = std::min(avg, gain + (1.0f - gain) * release);
        left[i] *= gain;
        right[i] *= gain;
    }
}

std::vector<int16_t> master(Mix& mix, const MasterSettings& settings)
{
    std::vector<float>& left = mix.music.left;
    std::vector<float>& right = mix.music.right;
    const int64_t origin = mix.music.origin;
    const double fadeLength = static_cast<double>(std::max<int64_t>(1, settings.fadeTo - settings.fadeFrom));
    for (size_t i = 0; i < left.size(); ++i) {
        float g = settings.gain;
        const int64_t f = origin + static_cast<int64_t>(i);
        if (settings.fadeTo > settings.fadeFrom && f >= settings.fadeFrom) {
            // from full level to -60 dB along a straight line in dB, then silence
            const double x = std::min(1.0, static_cast<double>(f - settings.fadeFrom) / fadeLength);
            g *= x >= 1.0 ? 0.0f : static_cast<float>(std::pow(10.0, -3.0 * x));
        }
        left[i] = g * (left[i] + mix.drums.left[i]);
        right[i] = g * (right[i] + mix.drums.right[i]);
    }
    limit(left, right, settings.ceiling);
    std::vector<int16_t> pcm(left.size() * 2);
    for (size_t i = 0; i < left.size(); ++i) {
        pcm[2 * i] = static_cast<int16_t>(std::lround(std::clamp(left[i], -1.0f, 1.0f) * 32767.0f));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(std::clamp(right[i], -1.0f, 1.0f) * 32767.0f));
    }
    return pcm;
}

} // namespace Assets
