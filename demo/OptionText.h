// Option texts both programs read the same way: window and picture sizes,
// and moments of the production in seconds or beats.
#pragma once

#include <string>

namespace Vantrel {

// The largest side a size may have: beyond it no GL driver makes a target.
constexpr int kMaxSide = 16384;

// Reads "WIDTHxHEIGHT" with both sides from 1 to kMaxSide; false for anything else.
bool parseSize(const std::string& text, int& width, int& height);

// A moment of the production as typed: seconds ("12.5") or beats ("76b").
struct PlayTime {
    bool given = false;
    bool inBeats = false;
    double value = 0.0;

    // Seconds at this tempo, as Demo::beatsToSeconds gives them: whole beats
    // land exactly where the timeline puts them.
    float seconds(float tempo) const;
};

// Reads "12.5" or "76b" (non-negative, finite); false for anything else.
bool parsePlayTime(const std::string& text, PlayTime& out);

// The first fault of the span [from, to) of a production that ends at `end`,
// in seconds, as a message naming the option; empty when the span can play.
std::string spanProblem(double from, double to, double end);

} // namespace Vantrel
