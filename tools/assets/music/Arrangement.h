// The composition: which instrument plays what in each section of the demo's
// timeline (beats 0-12 intro, then sections at 12, 44, 76, 140, 204, 268, 332,
// 396, 460, the closing section 460-556, then a tail that fades out).
#pragma once

#include "tools/assets/music/Sequencer.h"

namespace Assets {

// Length of the piece, tail included; the demo ends at 240 s.
constexpr double kSongSeconds = 242.0;
// Beat at which the closing section ends and the fade-out tail begins.
constexpr double kTailBeat = 556.0;

Score composeSong();

} // namespace Assets
