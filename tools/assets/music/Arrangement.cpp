// The piece, in A minor at 163 beats per minute. Sections follow the scenes;
// each is described by a Section record (progression, patterns, which layers
// play, brightness) and expanded layer by layer. Drum breaks and the build-up
// are cut into the expanded events afterwards, where the scenes cut.
#include "tools/assets/music/Arrangement.h"

#include <algorithm>
#include <cmath>

namespace Assets {

namespace {

// Chords: bass root, pad voicing kept above A3 (the lowest FFT bins belong to the kick).
const Chord Am{45, {57, 60, 64}}, F{41, {57, 60, 65}}, C{48, {55, 60, 64}}, G{43, {55, 59, 62}}, Dm{50, {57, 62, 65}},
    E{40, {56, 59, 64}}, Em{40, {55, 59, 64}};

const Progression progA{{Am, F, C, G}};
const Progression progB{{F, G, Em, Am}};
const Progression progC{{Dm, Am, F, E}};
const Progression progD{{F, C, G, Am}};
const Progression slowA{{Am, F, C, G}, 8.0};

const Pattern kick4("x...x...x...x...");
const Pattern backbeat("....x.......x...");
const Pattern hats8("..x...x...x...x.");
const Pattern hats16("ooxoooxoooxoooxo");
const Pattern openOff("..x...x...x...x.");
const Pattern bassOff("..x...x...x...x.");
const Pattern bassRoll(".xxx.xxx.xxx.xxx");
const Pattern arp16("xxxxxxxxxxxxxxxx");

// Melodies over one 16-beat phrase: beat, length, MIDI note.
struct Phrase {
    struct N {
        double beat, length;
        int pitch;
    };
    std::vector<N> notes;
};

const Phrase themeA{{{0, 1.5, 76},
                     {1.5, 0.5, 74},
                     {2, 1, 72},
                     {3, 1, 69},
                     {4, 1, 72},
                     {5, 1, 69},
                     {6, 1, 72},
                     {7, 1, 77},
                     {8, 1.5, 76},
                     {9.5, 0.5, 79},
                     {10, 1, 76},
                     {11, 1, 72},
                     {12, 2, 74},
                     {14, 1, 71},
                     {15, 1, 67}}};
const Phrase themeD{{{0, 1, 69},
                     {1, 1, 72},
                     {2, 1.5, 77},
                     {3.5, 0.5, 76},
                     {4, 1, 76},
                     {5, 1, 79},
                     {6, 1, 76},
                     {7, 1, 72},
                     {8, 1.5, 74},
                     {9.5, 0.5, 71},
                     {10, 1, 74},
                     {11, 1, 79},
                     {12, 3, 76},
                     {15, 1, 69}}};

enum Drums { NoDrums, Light, Groove, Full };
enum Bass { NoBass, Offbeat, Rolling, Held };

struct Section {
    double from, to;
    const Progression* chords;
    Drums drums;
    Bass bass;
    bool arp;
    const Phrase* lead;
    float brightness;
};

const Section kSections[] = {
    {0, 12, &progA, NoDrums, NoBass, true, nullptr, 0.15f},   {12, 44, &progA, Light, Offbeat, false, nullptr, 0.45f},
    {44, 76, &progB, Light, Offbeat, true, nullptr, 0.4f},    {76, 140, &progA, Full, Rolling, true, &themeA, 0.7f},
    {140, 204, &progC, Groove, Offbeat, true, nullptr, 0.6f}, {204, 268, &progA, Full, Rolling, false, &themeA, 0.65f},
    {268, 332, &progB, Light, Held, true, nullptr, 0.1f},     {332, 396, &progD, Groove, Offbeat, true, &themeD, 0.75f},
    {396, 460, &progC, Full, Rolling, true, nullptr, 0.8f},   {460, 556, &progA, Full, Rolling, true, &themeA, 0.85f},
    {556, 660, &slowA, NoDrums, NoBass, true, nullptr, 0.3f},
};

void addDrums(Score& s, const Section& sec)
{
    if (sec.drums == NoDrums)
        return;
    kick4.place(s.kicks, sec.from, sec.to, 1.0f);
    if (sec.drums == Light) {
        hats8.place(s.hats, sec.from, sec.to, 0.8f);
        // the clap comes in half-way through light sections
        backbeat.place(s.claps, (sec.from + sec.to) / 2, sec.to, 0.8f);
        return;
    }
    hats16.place(s.hats, sec.from, sec.to, 1.0f);
    if (sec.drums == Groove) {
        backbeat.place(s.snares, sec.from, sec.to, 1.0f);
    } else {
        backbeat.place(s.claps, sec.from, sec.to, 1.0f);
        openOff.place(s.openHats, sec.from, sec.to, 1.0f);
    }
    for (double b = sec.from; b < sec.to; b += 16)
        s.crashes.push_back({b, 1.0f});
}

void addBass(Score& s, const Section& sec)
{
    const Tone tone{sec.brightness, 0.0f};
    if (sec.bass == Held) {
        for (double b = sec.from; b < sec.to; b += sec.chords->beatsPerChord) {
            const Chord& c = sec.chords->at(b - sec.from);
            s.bass.push_back({{b + 0.5, sec.chords->beatsPerChord - 0.75, float(c.root), 0.8f}, tone});
        }
        return;
    }
    if (sec.bass == NoBass)
        return;
    const Pattern& p = sec.bass == Rolling ? bassRoll : bassOff;
    const double length = sec.bass == Rolling ? 0.2 : 0.4;
    int i = 0;
    for (double b : p.onsets(sec.from, sec.to)) {
        const Chord& c = sec.chords->at(b - sec.from);
        // rolling lines jump the octave on every third sixteenth
        const int octave = (sec.bass == Rolling && i++ % 3 == 2) ? 12 : 0;
        s.bass.push_back({{b, length, float(c.root + octave), 1.0f}, tone});
    }
}

void addPads(Score& s, const Section& sec)
{
    const double step = sec.chords->beatsPerChord;
    const Tone tone{sec.brightness * 0.6f, 0.0f};
    for (double b = sec.from; b < sec.to; b += step) {
        const Chord& c = sec.chords->at(b - sec.from);
        const double length = std::min(step, sec.to - b) - 0.1;
        for (int t : c.tones)
            s.pads.push_back({{b, length, float(t), 1.0f}, tone});
    }
}

void addArp(Score& s, const Section& sec)
{
    if (!sec.arp)
        return;
    static const int order[8] = {0, 1, 2, 3, 2, 1, 0, 2}; // index 3: the root an octave up
    int i = 0;
    for (double b : arp16.onsets(sec.from, sec.to)) {
        const Chord& c = sec.chords->at(b - sec.from);
        const int k = order[i % 8];
        const int pitch = (k == 3 ? c.tones[0] + 12 : c.tones[k]) + 12;
        const float accent = (i % 4 == 0) ? 1.0f : 0.7f;
        const Tone tone{sec.brightness, (i % 2) ? 0.35f : -0.35f};
        s.plucks.push_back({{b, 0.2, float(pitch), accent}, tone});
        ++i;
    }
}

void addLead(Score& s, const Section& sec)
{
    if (!sec.lead)
        return;
    // the lead rests for the first phrase of a section and enters on the second
    const Tone tone{sec.brightness, 0.0f};
    for (double b = sec.from + 16; b + 16 <= sec.to; b += 16)
        for (const Phrase::N& n : sec.lead->notes)
            s.leads.push_back({{b + n.beat, n.length - 0.05, float(n.pitch), 1.0f}, tone});
}

// Silences drums and bass for one beat before each cut, with a crash on the cut.
void addBreak(Score& s, double from, double to)
{
    for (auto* hits : {&s.kicks, &s.claps, &s.snares, &s.hats, &s.openHats})
        clearHits(*hits, from, to);
    clearNotes(s.bass, from, to);
    s.risers.push_back({{from, 0.5f}, to - from});
    const bool hasCrash = std::any_of(s.crashes.begin(), s.crashes.end(), [&](const Hit& h) { return h.beat == to; });
    if (!hasCrash)
        s.crashes.push_back({to, 1.0f});
}

// Beats 456-460: the kick stops, a snare roll doubles its speed, a riser climbs.
void addBuildUp(Score& s, double from, double to)
{
    for (auto* hits : {&s.kicks, &s.claps, &s.snares, &s.openHats})
        clearHits(*hits, from, to);
    clearNotes(s.bass, from, to);
    const double half = (to - from) / 2;
    for (double b = from; b < from + half; b += 0.5)
        s.snares.push_back({b, 0.5f});
    for (double b = from + half; b < to - 1; b += 0.25)
        s.snares.push_back({b, 0.7f});
    for (double b = to - 1; b < to; b += 0.125)
        s.snares.push_back({b, 0.9f});
    s.risers.push_back({{from - 4, 0.9f}, to - from + 4});
}

} // namespace

Score composeSong()
{
    Score s;
    for (const Section& sec : kSections) {
        addDrums(s, sec);
        addBass(s, sec);
        addPads(s, sec);
        addArp(s, sec);
        addLead(s, sec);
    }
    s.risers.push_back({{4, 0.6f}, 8}); // into the first kick
    s.crashes.push_back({kTailBeat, 1.0f});
    s.kicks.push_back({kTailBeat, 1.0f}); // the last hit of the closing section
    for (double cut = 220; cut <= 268; cut += 16)
        addBreak(s, cut - 1, cut);
    addBreak(s, 299, 300);
    addBreak(s, 331, 332);
    addBuildUp(s, 456, 460);
    return s;
}

} // namespace Assets
