// MP3 encoding through LAME: VBR, 44.1 kHz stereo, with the LAME tag written
// in the first frame so that decoders trim the encoder delay and padding and
// positions in the decoded file match the rendered samples exactly.
#pragma once

#include <cstdint>
#include <vector>

namespace Assets {

struct Mp3Settings {
    float vbrQuality = 2.0f; // 0 best .. 9 smallest; 2 gives about 190 kb/s
};

// `stereo`: interleaved 16-bit samples at 44.1 kHz. Returns the file bytes;
// throws Frontend::Error if the encoder refuses the settings.
std::vector<unsigned char> encodeMp3(const std::vector<int16_t>& stereo, const Mp3Settings& settings = {});

} // namespace Assets
