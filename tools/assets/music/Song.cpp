// The music asset: composition, mixing, mastering and encoding, end to end.
#include "tools/assets/music/Song.h"

#include "frontend/Error.h"
#include "tools/assets/music/Arrangement.h"
#include "tools/assets/music/Mixer.h"
#include "tools/assets/music/Mp3Encoder.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace Assets {

namespace {

// Brings the mix to about -14 LUFS; the limiter catches the kick peaks.
constexpr float kMasterGain = 1.22f;

} // namespace

double musicSeconds()
{
    return kSongSeconds;
}

std::vector<int16_t> renderMusic(double fromSeconds, double toSeconds)
{
    const Score score = composeSong();
    FrameRange range{static_cast<int64_t>(fromSeconds * kRate), static_cast<int64_t>(toSeconds * kRate)};
    range.to = std::max(range.to, range.from);
    Mix mix = mixScore(score, range);
    MasterSettings settings;
    settings.gain = kMasterGain;
    settings.fadeFrom = beatFrame(kTailBeat);
    settings.fadeTo = static_cast<int64_t>(kSongSeconds * kRate);
    return master(mix, settings);
}

std::vector<double> kickBeats()
{
    std::vector<double> beats;
    for (const Hit& h : composeSong().kicks)
        beats.push_back(h.beat);
    std::sort(beats.begin(), beats.end());
    return beats;
}

void writeMusic(const std::string& mp3Path)
{
    const std::vector<unsigned char> mp3 = encodeMp3(renderMusic(0.0, kSongSeconds));
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(mp3Path.c_str(), "wb"), std::fclose);
    if (!file)
        throw Frontend::Error(mp3Path + ": cannot open the music file for writing");
    if (std::fwrite(mp3.data(), 1, mp3.size(), file.get()) != mp3.size())
        throw Frontend::Error(mp3Path + ": cannot write the music file");
    if (std::fclose(file.release()) != 0)
        throw Frontend::Error(mp3Path + ": cannot finish writing the music file");
}

} // namespace Assets
