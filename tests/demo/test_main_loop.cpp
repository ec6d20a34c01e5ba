// The main loop and its four ways to end, run with a context of its own and
// the headless drivers (no display, dummy audio).
#include <gtest/gtest.h>

#include <SDL.h>

#include <csignal>

#include "demo/Element.h"
#include "frontend/StopRequest.h"
#include "tests/support/engine/RunDirectory.h"

using namespace Vantrel;

namespace {

// Counts its draws and can post a close request on a given frame.
class ProbeScene : public Element {
public:
    explicit ProbeScene(Demo* owner) : Element(owner, "Untitled", 16, 16) {}
    void draw() override
    {
        draws++;
        if (draws == closeOnDraw) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    }
    int draws = 0;
    int closeOnDraw = -1;
};

class LoopDemo : public Demo {
public:
    LoopDemo()
    {
        tempo = 163.0f;
        endTime = 0.4f;
    }
    void load() override
    {
        Demo::load();
        scene = new ProbeScene(this);
        scene->closeOnDraw = closeOnDraw;
        timeline.push_back({0.0f, 1000.0f, scene});
        if (holdEscape)
            setEscape(true);
        if (terminateWhileLoading)
            std::raise(SIGTERM);
    }
    static void setEscape(bool down)
    {
        // SDL keeps its key state in an array it hands out read-only; the test
        // plays the keyboard by writing it directly.
        const_cast<Uint8*>(SDL_GetKeyboardState(nullptr))[SDL_SCANCODE_ESCAPE] = down ? 1 : 0;
    }
    ProbeScene* scene = nullptr;
    int closeOnDraw = -1;
    bool holdEscape = false;
    bool terminateWhileLoading = false;
};

} // namespace

TEST(MainLoop, EndsByItselfAtTheEndTime)
{
    TestSupport::RunDirectory run("loop-end");
    LoopDemo demo;
    demo.run();
    EXPECT_GE(demo.time, demo.endTime);
    EXPECT_GT(demo.scene->draws, 2); // the warm-up and frames up to the end
}

TEST(MainLoop, AMissingMusicFileIsReportedAndTheClockStillReachesTheEnd)
{
    TestSupport::RunDirectory run("loop-music");
    LoopDemo demo;
    demo.musicFile = "data/missing.mp3";
    testing::internal::CaptureStderr();
    demo.run();
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("BASS error, file not found?"), std::string::npos) << messages;
    EXPECT_NE(messages.find("\ncannot open file 'data/missing.mp3': No such file or directory\n"), std::string::npos)
        << messages;
    EXPECT_GE(demo.time, demo.endTime);
}

TEST(MainLoop, ACloseRequestEndsItPromptly)
{
    TestSupport::RunDirectory run("loop-close");
    LoopDemo demo;
    demo.endTime = 1000.0f;
    demo.closeOnDraw = 3; // warm-up, two frames, then the close request
    demo.run();
    EXPECT_LE(demo.scene->draws, 4);
    EXPECT_LT(demo.time, demo.endTime);
}

TEST(MainLoop, EscapeHeldWhileLoadingSkipsTheLoop)
{
    TestSupport::RunDirectory run("loop-escape");
    LoopDemo demo;
    demo.endTime = 1000.0f;
    demo.holdEscape = true;
    demo.run();
    LoopDemo::setEscape(false);
    EXPECT_EQ(demo.scene->draws, 0); // not even the warm-up
    EXPECT_EQ(demo.time, 0.0f);
}

TEST(MainLoop, TerminationWhileLoadingEndsTheStartUpWithoutDrawing)
{
    TestSupport::RunDirectory run("loop-term");
    Frontend::installStopHandlers();
    LoopDemo demo;
    demo.endTime = 1000.0f;
    demo.terminateWhileLoading = true;
    demo.run();
    EXPECT_TRUE(Frontend::stopRequested());
    Frontend::clearStopRequest();
    EXPECT_EQ(demo.scene->draws, 0);
    EXPECT_EQ(demo.time, 0.0f);
}

TEST(MainLoop, AnUndecodableMusicFileIsReportedWithTheDecodersReason)
{
    TestSupport::RunDirectory run("loop-noise");
    std::string noise(100000, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 24);
    run.writeFile("data/noise.mp3", noise);
    LoopDemo demo;
    demo.musicFile = "data/noise.mp3";
    testing::internal::CaptureStderr();
    demo.run();
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("BASS error, file not found?"), std::string::npos) << messages;
    EXPECT_NE(messages.find("\ndata/noise.mp3: "), std::string::npos) << messages;
    EXPECT_EQ(messages.find("No such file"), std::string::npos) << messages;
}
