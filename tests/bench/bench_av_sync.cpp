// How far the picture is from the sound in a live run. The demo plays through
// SDL's disk audio driver, which writes what is played to a file at the pace
// of a sound card; this program watches that file (inotify) and notes when
// each piece of it was written. The demo's --stats record gives, per drawn
// frame, the demo time it showed and the moment it read the clock and the
// moment it reached the screen, on the same monotonic clock. The matching
// sample is found in the file by content, and its moment is the moment its
// piece was written plus its place in the piece at 44.1 kHz.
//
// Run from the run folder (build/run/):
//   ./bench_av_sync [--from S] [--to S] [--scale X] [--out FILE.json]
// Prints the median, 95th percentile and worst difference; exits 1 when the
// 95th percentile of the clock's difference exceeds 10 ms. A measurement, not
// a unit test: it runs in `make bench`.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "demo/Music.h"

extern char** environ;

namespace {

constexpr double kLimitMs = 10.0;

struct Written {
    double at;     // steady seconds when the file had grown to `size`
    int64_t size;  // bytes
};

struct Settings {
    std::string from = "60";
    std::string to = "70";
    std::string scale = "0.5";
    std::string out;
};

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The wall clock's lead over the steady one, from the closest of a few readings.
double wallMinusSteady()
{
    double best = 0.0;
    double narrowest = 1.0;
    for (int i = 0; i < 100; i++) {
        const double before = steadySeconds();
        timespec wall{};
        clock_gettime(CLOCK_REALTIME, &wall);
        const double after = steadySeconds();
        if (after - before < narrowest) {
            narrowest = after - before;
            best = static_cast<double>(wall.tv_sec) + static_cast<double>(wall.tv_nsec) * 1e-9 - (before + after) / 2;
        }
    }
    return best;
}

// How long after each write this program saw it.
std::vector<double> lateBy;

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "bench_av_sync: %s\n", why.c_str());
    std::exit(2);
}

Settings parse(int argc, char** argv)
{
    Settings s;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            fail("option " + arg + " needs a value");
        const std::string value = argv[++i];
        if (arg == "--from")
            s.from = value;
        else if (arg == "--to")
            s.to = value;
        else if (arg == "--scale")
            s.scale = value;
        else if (arg == "--out")
            s.out = value;
        else
            fail("unknown option " + arg);
    }
    return s;
}

pid_t startDemo(const Settings& s, const std::string& raw, const std::string& stats)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; e++)
        if (std::strncmp(*e, "SDL_AUDIODRIVER=", 16) && std::strncmp(*e, "SDL_DISKAUDIOFILE=", 18))
            env.push_back(*e);
    env.push_back("SDL_AUDIODRIVER=disk");
    env.push_back("SDL_DISKAUDIOFILE=" + raw);
    env.push_back("VANTREL_NO_DIALOGS=1");
    if (!std::getenv("SDL_VIDEODRIVER") && !std::getenv("DISPLAY"))
        env.push_back("SDL_VIDEODRIVER=offscreen");
    std::vector<std::string> args = {"./vantrel", "--from", s.from, "--to", s.to, "--scale", s.scale, "--stats", stats};
    std::vector<char*> argp, envp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "./vantrel", nullptr, nullptr, argp.data(), envp.data()) != 0)
        fail("cannot start ./vantrel (run from the run folder)");
    return pid;
}

// Notes the file's size each time it is written to, until the demo ends.
std::vector<Written> watch(const std::string& folder, const std::string& raw, pid_t demo)
{
    const int fd = inotify_init1(IN_CLOEXEC);
    if (fd < 0 || inotify_add_watch(fd, folder.c_str(), IN_MODIFY) < 0)
        fail("cannot watch " + folder);
    std::vector<Written> writes;
    writes.reserve(1 << 16);
    alignas(inotify_event) char buffer[4096];
    // The moment of a write is the file's modification time, which the
    // kernel stamps as it writes: this program may be woken late on a busy
    // machine, but it looks before the next write, a device buffer later.
    // It is the kernel's coarse clock, which lags by up to one tick: half a
    // tick on the mean.
    const double realMinusSteady = wallMinusSteady();
    timespec tick{};
    clock_getres(CLOCK_REALTIME_COARSE, &tick);
    const double stampLag = (static_cast<double>(tick.tv_sec) + static_cast<double>(tick.tv_nsec) * 1e-9) / 2;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && read(fd, buffer, sizeof buffer) > 0) {
            struct stat st{};
            if (stat(raw.c_str(), &st) == 0 && (writes.empty() || st.st_size > writes.back().size)) {
                const double modified = static_cast<double>(st.st_mtim.tv_sec) +
                                        static_cast<double>(st.st_mtim.tv_nsec) * 1e-9 + stampLag;
                writes.push_back({modified - realMinusSteady, static_cast<int64_t>(st.st_size)});
                lateBy.push_back(steadySeconds() - writes.back().at);
            }
        }
        int status = 0;
        if (waitpid(demo, &status, WNOHANG) == demo) {
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                fail("the demo did not end cleanly");
            break;
        }
    }
    close(fd);
    return writes;
}

std::vector<int16_t> readRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<int16_t> samples;
    in.seekg(0, std::ios::end);
    samples.resize(static_cast<size_t>(in.tellg()) / sizeof(int16_t));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(int16_t)));
    return samples;
}

// Frame of the file where the track's frame `first` was written: the run's
// first sound (silence lies before it while the device waited to play).
int64_t findTrack(const std::vector<int16_t>& file, const Vantrel::PcmTrack& track, int64_t first)
{
    constexpr int64_t kMatch = 2048;
    if (first + kMatch > track.frames())
        fail("the span starts too near the music's end");
    const int16_t* want = track.samples.data() + 2 * first;
    const int64_t frames = static_cast<int64_t>(file.size() / 2);
    for (int64_t f = 0; f + kMatch <= frames; f++)
        if (std::equal(want, want + 2 * kMatch, file.data() + 2 * f))
            return f;
    fail("the music's first frames are not in what was played");
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size())));
    return v[std::max<size_t>(rank, 1) - 1];
}

struct Figures {
    double medianMs, p95Ms, worstMs, meanSignedMs;
};

Figures figures(const std::vector<double>& signedMs)
{
    std::vector<double> abs;
    double sum = 0.0;
    for (double d : signedMs) {
        abs.push_back(std::fabs(d));
        sum += d;
    }
    return {percentile(abs, 0.5), percentile(abs, 0.95), percentile(abs, 1.0), sum / static_cast<double>(abs.size())};
}

} // namespace

int main(int argc, char** argv)
{
    const Settings settings = parse(argc, argv);
    char folderTemplate[] = "/tmp/vantrel-av-sync-XXXXXX";
    if (!mkdtemp(folderTemplate))
        fail("cannot make a folder in /tmp");
    const std::string folder = folderTemplate;
    const std::string raw = folder + "/played.raw";
    const std::string statsPath = folder + "/stats.json";

    // The figures are this machine's at this moment: say how busy it was.
    if (std::ifstream load("/proc/loadavg"); load) {
        double one = 0.0, five = 0.0, fifteen = 0.0;
        load >> one >> five >> fifteen;
        std::printf("load average before the run: %.2f %.2f %.2f\n", one, five, fifteen);
    }
    const pid_t demo = startDemo(settings, raw, statsPath);
    const std::vector<Written> writes = watch(folder, raw, demo);

    nlohmann::json stats;
    std::ifstream(statsPath) >> stats;
    Vantrel::PcmTrack track;
    std::string problem;
    if (!Vantrel::decodeMp3("data/music.mp3", track, &problem))
        fail(problem);
    const std::vector<int16_t> file = readRaw(raw);
    std::filesystem::remove_all(folder);
    if (writes.size() < 2)
        fail("the sound file was written " + std::to_string(writes.size()) + " times");

    // The demo starts the music where the span starts, at a whole frame.
    const float from = stats["frames"][0]["time"].get<float>();
    const int64_t firstFrame =
        static_cast<int64_t>(static_cast<int64_t>(from * Vantrel::kBytesPerSecond)) / 4;
    const int64_t fileStart = findTrack(file, track, firstFrame);

    // The file is written through stdio, whose buffer holds back every other
    // device buffer and writes it with the next one. Growths of the file
    // closer than half a buffer's time come from one hand-over (seen between
    // its two writes); the last device buffer of a hand-over's growth is the
    // one handed over then, so only its samples have a known moment. The
    // device buffer is the common divisor of the growths.
    int64_t bufferBytes = 0;
    for (size_t i = 1; i < writes.size(); i++)
        bufferBytes = std::gcd(bufferBytes, writes[i].size - writes[i - 1].size);
    if (bufferBytes <= 0 || bufferBytes % 4)
        fail("the sound file grew by odd amounts");
    const double bufferSeconds = static_cast<double>(bufferBytes / 4) / Vantrel::kSampleRate;
    std::vector<Written> handovers;
    for (const Written& w : writes) {
        if (!handovers.empty() && w.at - handovers.back().at < bufferSeconds / 2)
            handovers.back() = w;
        else
            handovers.push_back(w);
    }
    // When the byte at `offset` of the file was played; negative where its
    // moment is not known.
    auto playedAt = [&](int64_t offset) -> double {
        auto it = std::upper_bound(handovers.begin(), handovers.end(), offset,
                                   [](int64_t o, const Written& w) { return o < w.size; });
        if (it == handovers.end() || offset < it->size - bufferBytes)
            return -1.0;
        return it->at + static_cast<double>((offset - (it->size - bufferBytes)) / 4) / Vantrel::kSampleRate;
    };

    std::vector<double> clockMs, screenMs;
    long held = 0;
    long unknown = 0;
    for (const nlohmann::json& frame : stats["frames"]) {
        const double time = frame["time"].get<double>();
        const int64_t trackFrame = std::llround(time * Vantrel::kSampleRate);
        if (trackFrame <= firstFrame) {
            held++; // drawn before any sound of the span was heard: the clock waits at its start
            continue;
        }
        const double at = playedAt((fileStart + trackFrame - firstFrame) * 4);
        if (at < 0.0) {
            unknown++; // in a device buffer that stdio held back
            continue;
        }
        clockMs.push_back((frame["startedAt"].get<double>() - at) * 1000.0);
        screenMs.push_back((frame["presentedAt"].get<double>() - at) * 1000.0);
    }
    if (clockMs.empty())
        fail("no frame showed a moment of the sound");
    const double paceSeconds = writes.back().at - writes.front().at;
    const double pace = static_cast<double>(writes.back().size - writes.front().size) / 4.0 / paceSeconds /
                        Vantrel::kSampleRate;
    const Figures clock = figures(clockMs);
    const Figures screen = figures(screenMs);
    std::printf("frames compared: %zu (%ld in held-back buffers, %ld drawn before the sound started)\n",
                clockMs.size(), unknown, held);
    std::printf("sound handed over %zu times (device buffer %lld frames) at %.4f x real time\n", handovers.size(),
                static_cast<long long>(bufferBytes / 4), pace);
    std::printf("writes seen after they happened: median %.2f ms, worst %.2f ms\n", percentile(lateBy, 0.5) * 1000.0,
                percentile(lateBy, 1.0) * 1000.0);
    std::printf("clock read  - sample played: median %.2f ms, p95 %.2f ms, worst %.2f ms, mean %+.2f ms\n",
                clock.medianMs, clock.p95Ms, clock.worstMs, clock.meanSignedMs);
    std::printf("on screen   - sample played: median %.2f ms, p95 %.2f ms, worst %.2f ms, mean %+.2f ms\n",
                screen.medianMs, screen.p95Ms, screen.worstMs, screen.meanSignedMs);
    if (!settings.out.empty()) {
        nlohmann::json out = {
            {"frames", clockMs.size()},
            {"heldAtStart", held},
            {"pieces", writes.size()},
            {"pace", pace},
            {"clock", {{"medianMs", clock.medianMs}, {"p95Ms", clock.p95Ms}, {"worstMs", clock.worstMs}}},
            {"screen", {{"medianMs", screen.medianMs}, {"p95Ms", screen.p95Ms}, {"worstMs", screen.worstMs}}},
            {"clockMsPerFrame", clockMs}};
        std::ofstream(settings.out) << out.dump(1) << '\n';
    }
    const bool within = clock.p95Ms <= kLimitMs;
    std::printf("%s: p95 of the clock's difference %s %.0f ms\n", within ? "PASS" : "FAIL", within ? "within" : "over",
                kLimitMs);
    return within ? 0 : 1;
}
