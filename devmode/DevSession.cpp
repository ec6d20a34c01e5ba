#include "devmode/DevSession.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <typeinfo>

#include "demo/Demo.h"
#include "demo/DemoOptions.h"
#include "demo/Element.h"
#include "demo/Music.h"
#include "devmode/FileWatch.h"
#include "devmode/Reload.h"
#include "devmode/TextOverlay.h"
#include "frontend/Error.h"

namespace Vantrel {

namespace {

constexpr int kListingLines = DevSession::kOverlayLines - DevSession::kListingLine;
constexpr float kOffsetStepMs = 5.0f;

// "Prod::Flowerball" -> "Flowerball"
std::string sceneClassName(const Element* element)
{
    if (!element)
        return "-";
    int status = 0;
    char* demangled = abi::__cxa_demangle(typeid(*element).name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : typeid(*element).name();
    std::free(demangled);
    size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

std::vector<std::string> firstLines(const std::string& text, size_t count)
{
    std::vector<std::string> result;
    std::istringstream stream(text);
    std::string line;
    while (result.size() < count && std::getline(stream, line))
        result.push_back(line);
    return result;
}

} // namespace

DevSession::DevSession(const DevSettings& devSettings) : settings(devSettings), position(devSettings.from)
{
}

DevSession::~DevSession() = default;

std::unique_ptr<DevSession> DevSession::fromOptions(const DemoOptions& options, const Demo& demo)
{
    if (!options.playsSpan())
        return nullptr;
    return std::make_unique<DevSession>(DevSettings{demo.musicStart, demo.endTime, options.loop, options.dev});
}

void DevSession::begin(Demo& demo, Frontend::Context&, Music* demoMusic, bool demoMusicPlays)
{
    music = demoMusic;
    musicPlays = demoMusicPlays;
    position = settings.from;
    if (!settings.dev)
        return;
    keys.watchKeyboard();
    if (!demo.scaleChoices.empty())
        std::fprintf(stderr, "vantrel: %s\n", demo.scaleChoices.c_str());
    for (const TimelineEntry& entry : demo.timeline)
        sceneNames.push_back(sceneClassName(entry.element));
    try {
        overlay = std::make_unique<TextOverlay>();
    } catch (const Frontend::Error& error) {
        std::fprintf(stderr, "vantrel: no overlay: %s\n", error.what());
    }
    watch = std::make_unique<FileWatch>(std::vector<std::string>{"data/", "vantrel_data/"});
    if (!watch->watching())
        std::fprintf(stderr, "vantrel: cannot watch data/ and vantrel_data/ for changes; edits will not reload\n");
    fpsWindowStart = steadySeconds();
}

bool DevSession::beforeCompose(Demo& demo)
{
    const double started = steadySeconds();
    // The graph shows frames as they reach the screen: start to start, the swap included.
    if (settings.dev && frameStarted > 0.0)
        graph.add(static_cast<float>((started - frameStarted) * 1000.0));
    frameStarted = started;
    DevKey key;
    while (keys.next(key))
        act(key, demo);
    if (watch)
        reloadSettled(demo);
    advanceClock(demo);
    if (!(position < settings.to)) {
        if (settings.loop) {
            jumpTo(settings.from, demo);
        } else if (settings.dev) {
            // A maker who runs or steps past the end stays on its last moment.
            jumpTo(std::nextafter(settings.to, 0.0f), demo);
            if (!isPaused)
                act(DevKey::Pause, demo);
        } else {
            return false;
        }
    }
    demo.time = static_cast<float>(position);
    if (jumped && music)
        music->spectrum(demo.spectrum); // the spectrum of the new place, not of the old
    jumped = false;
    return true;
}

void DevSession::advanceClock(Demo& demo)
{
    if (isPaused || jumped)
        return;
    if (music && musicPlays && !music->finished())
        position = music->positionSeconds();
    else
        position += demo.frameTime;
}

void DevSession::jumpTo(float target, Demo& demo)
{
    target = std::clamp(target, 0.0f, std::max(settings.to, 0.0f));
    position = target;
    jumped = true;
    if (music)
        music->seekSeconds(target);
    demo.time = target;
}

// The start of the nearest entry after (or before) the current time. Landing
// exactly on a start composes nothing there (spans are open), so the jump
// goes to the first moment inside the entry.
float DevSession::entryStart(const Demo& demo, bool forward) const
{
    const float now = static_cast<float>(position);
    float best = forward ? settings.to : 0.0f;
    for (const TimelineEntry& entry : demo.timeline) {
        const float inside = std::nextafter(entry.start, entry.end);
        if (forward && inside > now && inside < best)
            best = inside;
        if (!forward && inside < now && inside > best)
            best = inside;
    }
    return best;
}

void DevSession::act(DevKey key, Demo& demo)
{
    const float beat = 60.0f / demo.tempo;
    const float now = static_cast<float>(position);
    switch (key) {
    case DevKey::Pause:
        isPaused = !isPaused;
        if (music)
            music->setPaused(isPaused);
        break;
    case DevKey::BeatBack: jumpTo(now - beat, demo); break;
    case DevKey::BeatForward: jumpTo(now + beat, demo); break;
    case DevKey::BarsBack: jumpTo(now - 16.0f * beat, demo); break;
    case DevKey::BarsForward: jumpTo(now + 16.0f * beat, demo); break;
    case DevKey::PreviousEntry: jumpTo(entryStart(demo, false), demo); break;
    case DevKey::NextEntry: jumpTo(entryStart(demo, true), demo); break;
    case DevKey::Home: jumpTo(settings.from, demo); break;
    case DevKey::OffsetEarlier: nudgeOffset(-kOffsetStepMs, demo); break;
    case DevKey::OffsetLater: nudgeOffset(kOffsetStepMs, demo); break;
    }
}

// Kept in whole milliseconds, so that steps there and back return exactly.
void DevSession::nudgeOffset(float ms, Demo& demo)
{
    const float current = std::round(demo.audioOffset * 1000.0f);
    const float next = std::clamp(current + ms, -kMaxAudioOffsetMs, kMaxAudioOffsetMs);
    demo.audioOffset = next / 1000.0f;
    if (music)
        music->setOffsetSeconds(demo.audioOffset);
}

void DevSession::reloadSettled(Demo& demo)
{
    SettledFile file;
    while (watch->next(steadySeconds(), file)) {
        if (reloadKindOf(file.folder, file.name) == ReloadKind::None)
            continue;
        ReloadResult result = reloadFile(demo, file.folder, file.name);
        report = result.message;
        listing = firstLines(result.listing, kListingLines);
        if (result.ok) {
            reloadCount++;
            pendingSavedAt = file.savedAt;
        } else {
            failedCount++;
            pendingSavedAt = -1.0;
            std::fprintf(stderr, "vantrel: %s\n%s\n", result.message.c_str(), result.listing.c_str());
        }
    }
}

void DevSession::afterCompose(Demo& demo)
{
    if (!settings.dev)
        return;
    if (pendingSavedAt >= 0.0) {
        // Composed now, on screen at the next buffer swap.
        char timing[64];
        std::snprintf(timing, sizeof timing, " (%.0f ms save to screen)", (wallSeconds() - pendingSavedAt) * 1000.0);
        report += timing;
        std::fprintf(stderr, "vantrel: %s\n", report.c_str());
        pendingSavedAt = -1.0;
    }
    writeOverlay(demo);
    if (overlay) {
        const char* text[kOverlayLines];
        int count = 0;
        for (; count < kOverlayLines && lines[count][0]; count++)
            text[count] = lines[count];
        overlay->draw(text, count, demo.width, demo.height);
        overlay->drawGraph(graph, demo.width, demo.height);
    }
    const double now = steadySeconds();
    lastFrameMs = (now - frameStarted) * 1000.0;
    fpsFrames++;
    if (now - fpsWindowStart >= 0.5) {
        fps = fpsFrames / (now - fpsWindowStart);
        fpsFrames = 0;
        fpsWindowStart = now;
    }
}

void DevSession::end(Demo&)
{
    overlay.reset();
    watch.reset();
    music = nullptr; // freed by the Demo next
}

void DevSession::writeOverlay(const Demo& demo)
{
    const double beats = position * demo.tempo / 60.0;
    const long whole = static_cast<long>(std::floor(beats));
    std::snprintf(lines[0], sizeof lines[0], "time %8.3f s  beat %5.2f  bar %ld.%ld%s%s", position, beats,
                  whole / 4 + 1, whole % 4 + 1, isPaused ? "  PAUSED" : "", settings.loop ? "  LOOP" : "");
    const int active = demo.activeEntry();
    if (active >= 0) {
        const TimelineEntry& entry = demo.timeline[static_cast<size_t>(active)];
        const char* name = static_cast<size_t>(active) < sceneNames.size() ? sceneNames[active].c_str() : "?";
        std::snprintf(lines[1], sizeof lines[1], "entry %d %s  local %.3f s", active, name, position - entry.start);
    } else {
        std::snprintf(lines[1], sizeof lines[1], "entry none");
    }
    std::snprintf(lines[2], sizeof lines[2], "%.1f fps  frame %.2f ms  swap interval %d", fps, lastFrameMs,
                  demo.grantedSwapInterval);
    const float latencyMs = music ? music->latencySeconds() * 1000.0f : 0.0f;
    std::snprintf(lines[3], sizeof lines[3], "audio offset %+.0f ms  latency %.1f ms%s  [ ] nudge",
                  demo.audioOffset * 1000.0f, latencyMs, music ? "" : " (no music)");
    const bool chosen = active >= 0 && static_cast<size_t>(active) < demo.entryScales.size();
    std::snprintf(lines[4], sizeof lines[4], "scale %g%s", chosen ? demo.entryScales[active] : demo.renderScale,
                  chosen ? " (auto, this entry)" : "");
    std::snprintf(lines[5], sizeof lines[5], "%s", report.c_str());
    for (int i = 0; i < kListingLines; i++) {
        const bool used = static_cast<size_t>(i) < listing.size();
        char* line = lines[kListingLine + i];
        std::snprintf(line, sizeof lines[0], "%s", used ? listing[static_cast<size_t>(i)].c_str() : "");
    }
}

} // namespace Vantrel
