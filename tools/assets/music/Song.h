// The production's music: an original piece at 163 beats per minute laid out
// on the demo's timeline, synthesised by the tool and encoded with LAME.
#pragma once

#include <string>

namespace Assets {

// Synthesises the whole piece and writes it as an MP3 file.
// Throws Frontend::Error when the file cannot be written.
void writeMusic(const std::string& mp3Path);

} // namespace Assets
