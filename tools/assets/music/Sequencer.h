// The pattern sequencer: step patterns written as text and chord progressions
// expand into timed events of a Score, which the mixer renders.
//
//   Pattern kick("x...x...x...x...");          // 16 steps = one 4-beat bar
//   kick.place(score.kicks, 12, 44, 1.0f);     // beats 12..44
//
// In a pattern 'x' is a full hit, 'o' a soft one (55 %), '.' a rest.
#pragma once

#include "tools/assets/music/Instruments.h"

#include <string>
#include <vector>

namespace Assets {

struct ToneNote {
    Note note;
    Tone tone;
};

struct Riser {
    Hit hit;
    double beats = 4.0;
};

// Every event of the piece (or of a part of it), by instrument.
struct Score {
    std::vector<Hit> kicks, claps, snares, hats, openHats, crashes;
    std::vector<Riser> risers;
    std::vector<ToneNote> bass, pads, plucks, leads;
};

class Pattern {
public:
    explicit Pattern(std::string steps, double stepBeats = 0.25);
    // Appends the pattern's hits in [from, to), repeating from beat `from`.
    void place(std::vector<Hit>& out, double from, double to, float gain) const;
    // The beats (relative to `from`) at which it has hits; used for bass lines.
    std::vector<double> onsets(double from, double to) const;

private:
    std::string steps;
    double stepBeats;
};

struct Chord {
    int root;     // MIDI note of the bass
    int tones[3]; // MIDI notes of the pad voicing
};

// A progression of chords, each lasting `beatsPerChord`.
struct Progression {
    std::vector<Chord> chords;
    double beatsPerChord = 4.0;
    const Chord& at(double beatInSection) const;
};

// Removes every hit in [from, to): the drum breaks.
void clearHits(std::vector<Hit>& hits, double from, double to);
void clearNotes(std::vector<ToneNote>& notes, double from, double to);

} // namespace Assets
