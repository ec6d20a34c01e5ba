// The production's music: an original piece at 163 beats per minute laid out
// on the demo's timeline, synthesised by the tool and encoded with LAME.
//
//   Assets::writeMusic("data/music.mp3");
//   std::vector<int16_t> pcm = Assets::renderMusic(10.0, 12.0);  // an excerpt
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Assets {

// Synthesises the whole piece and writes it as an MP3 file.
// Throws Frontend::Error when the file cannot be written.
void writeMusic(const std::string& mp3Path);

// Renders seconds [from, to) of the piece as interleaved 16-bit stereo at
// 44.1 kHz. The whole piece is renderMusic(0, musicSeconds()); an excerpt
// holds the notes that sound in it but is mastered on its own.
std::vector<int16_t> renderMusic(double fromSeconds, double toSeconds);
double musicSeconds();

// Beats on which the kick drum plays, in order.
std::vector<double> kickBeats();

} // namespace Assets
