// Pattern expansion. Steps are placed at exact fractional beats; the beat to
// frame conversion happens once, in the instruments.
#include "tools/assets/music/Sequencer.h"

#include <algorithm>
#include <cmath>

namespace Assets {

Pattern::Pattern(std::string text, double step) : steps(std::move(text)), stepBeats(step)
{
}

void Pattern::place(std::vector<Hit>& out, double from, double to, float gain) const
{
    const int count = static_cast<int>(std::lround((to - from) / stepBeats));
    for (int i = 0; i < count; ++i) {
        const char c = steps[static_cast<size_t>(i) % steps.size()];
        if (c == 'x')
            out.push_back({from + i * stepBeats, gain});
        else if (c == 'o')
            out.push_back({from + i * stepBeats, gain * 0.55f});
    }
}

std::vector<double> Pattern::onsets(double from, double to) const
{
    std::vector<Hit> hits;
    place(hits, from, to, 1.0f);
    std::vector<double> beats;
    for (const Hit& h : hits)
        beats.push_back(h.beat);
    return beats;
}

const Chord& Progression::at(double beatInSection) const
{
    const auto index = static_cast<size_t>(std::floor(beatInSection / beatsPerChord));
    return chords[index % chords.size()];
}

void clearHits(std::vector<Hit>& hits, double from, double to)
{
    std::erase_if(hits, [&](const Hit& h) { return h.beat >= from - 1e-9 && h.beat < to - 1e-9; });
}

void clearNotes(std::vector<ToneNote>& notes, double from, double to)
{
    std::erase_if(notes, [&](const ToneNote& n) { return n.note.beat >= from - 1e-9 && n.note.beat < to - 1e-9; });
}

} // namespace Assets
