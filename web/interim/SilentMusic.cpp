// INTERIM, to be deleted when web/platform/Music.cpp (Web Audio) is on main:
// demo/Music.h with no sound, so that the web program links and its stills
// render meanwhile. open() fails, so the demo runs on its timer, with a
// silent spectrum.
#include "demo/Music.h"

namespace Vantrel {

struct Music::Impl {};
struct SpectrumAnalyzer::Impl {};

SpectrumAnalyzer::SpectrumAnalyzer() : impl(nullptr) {}
SpectrumAnalyzer::~SpectrumAnalyzer() = default;
void SpectrumAnalyzer::analyze(const PcmTrack&, int64_t, float out[kSpectrumBins])
{
    for (int i = 0; i < kSpectrumBins; ++i)
        out[i] = 0.0f;
}

Music::Music() : impl(nullptr) {}
Music::~Music() = default;
bool Music::init() { return true; }
bool Music::open(const std::string& path)
{
    openProblem = path + ": this interim build plays no sound";
    return false;
}
bool Music::play() { return false; }
void Music::setBytePosition(uint32_t) {}
void Music::seekSeconds(double) {}
void Music::setPaused(bool) {}
bool Music::paused() const { return true; }
float Music::positionSeconds() const { return 0.0f; }
bool Music::finished() const { return true; }
float Music::latencySeconds() const { return 0.0f; }
float Music::offsetSeconds() const { return 0.0f; }
void Music::setOffsetSeconds(float) {}
void Music::spectrum(float*) {}
void Music::free() {}

} // namespace Vantrel
