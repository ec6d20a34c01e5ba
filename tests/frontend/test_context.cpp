// The context, its timer, error reporting and frame dumps, on the shared
// hidden window (offscreen SDL driver in the tests).
#include "frontend/Context.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"
#include "frontend/Shader.h"
#include "tests/support/TestContext.h"

namespace {

void clearErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

TEST(Context, HandlesAndCurrentPointer)
{
    Frontend::Context& context = TestSupport::glContext();
    EXPECT_EQ(Frontend::Context::current(), &context);
    EXPECT_EQ(context.handle(Frontend::kHandleWindow), context.window().native());
    EXPECT_EQ(context.handle(Frontend::kHandleGLContext), SDL_GL_GetCurrentContext());
    EXPECT_EQ(context.handle(Frontend::kHandleCgContext), &context.cgContext());
    EXPECT_EQ(context.handle(4), nullptr);
    EXPECT_EQ(context.handle(-1), nullptr);
    EXPECT_EQ(context.window().clientWidth(), 800);
    EXPECT_EQ(context.window().clientHeight(), 600);
    EXPECT_STREQ(SDL_GetWindowTitle(context.window().native()), "Frontend Window");
    EXPECT_TRUE(SDL_GetWindowFlags(context.window().native()) & SDL_WINDOW_BORDERLESS);
}

TEST(Context, IsACompatibilityContextWithTheRequestedBuffers)
{
    TestSupport::glContext();
    EXPECT_TRUE(epoxy_is_desktop_gl());
    GLint depth = 0, stencil = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depth);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
    clearErrors();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glPopMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "matrix stacks need a compatibility profile";
}

TEST(Context, UpdatePresentsUntilTheQuitEventArrives)
{
    Frontend::Context& context = TestSupport::glContext();
    clearErrors();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    EXPECT_TRUE(context.update());
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_FALSE(context.update());
    EXPECT_TRUE(context.update()) << "the quit event is taken once";
    EXPECT_FALSE(Frontend::isKeyPressed(Frontend::Key::Escape));
    EXPECT_FALSE(Frontend::isKeyPressed(Frontend::Key::F10));
}

TEST(Timer, StartsAtZeroAndFollowsTheClock)
{
    Frontend::Timer timer;
    float first = timer.time();
    EXPECT_GE(first, 0.0f);
    EXPECT_LT(first, 1.0f); // loose: a busy machine may pause the test
    timer.delta();
    EXPECT_LT(timer.delta(), 1.0f);

    SDL_Delay(30);
    float later = timer.time();
    EXPECT_GE(later, 0.029f);
    EXPECT_GE(timer.delta(), 0.029f);
    EXPECT_GE(timer.time(), later);
}

TEST(Errors, NativeErrorCheckReportsOnePendingCode)
{
    TestSupport::glContext();
    clearErrors();
    EXPECT_FALSE(Frontend::checkNativeError("Quiet", 1));

    glEnable(0x1234); // GL_INVALID_ENUM
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Frontend::checkNativeError("Frontend::Test::check", 42));
    std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text, "Frontend Native Error: OpenGL native error: 500\n\nFrontend::Test::check, line 42.\n");
    EXPECT_FALSE(Frontend::checkNativeError("Quiet", 2)) << "the code was fetched once";
}

TEST(Errors, NoDialogsWhenSwitchedOffOrHeadless)
{
    setenv("VANTREL_NO_DIALOGS", "1", 1);
    EXPECT_FALSE(Frontend::dialogsEnabled());
    TestSupport::glContext();
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::string(driver) == "offscreen") {
        setenv("VANTREL_NO_DIALOGS", "0", 1);
        EXPECT_FALSE(Frontend::dialogsEnabled()) << "no box on the offscreen driver";
        setenv("VANTREL_NO_DIALOGS", "1", 1);
    }
}

TEST(ErrorsDeathTest, FatalPathsEndTheProcessWithAnErrorStatus)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("VANTREL_NO_DIALOGS", "1", 1);
    EXPECT_EXIT(Frontend::fatalError("the sky fell"), testing::ExitedWithCode(Frontend::kErrorExitStatus),
                "Morvask Vantrel Error: the sky fell");
    EXPECT_EXIT(Frontend::reportUnrecoverable("cannot open file 'x.png'"),
                testing::ExitedWithCode(Frontend::kErrorExitStatus), "cannot open file 'x.png'");
    // The listing is appended as it is: a percent sign stays a percent sign.
    EXPECT_EXIT(Frontend::CGerror("The compile returned an error.", "glow.cg:4: 100% wrong %s"),
                testing::ExitedWithCode(Frontend::kErrorExitStatus),
                "Frontend::CGerror: The compile returned an error\\.\n\nglow\\.cg:4: 100% wrong %s\n\n");
    EXPECT_NE(Frontend::kErrorExitStatus, 0);
}

class Screenshot : public ::testing::Test {
protected:
    void SetUp() override
    {
        context = &TestSupport::glContext();
        dir = TestSupport::makeTempDir("shot");
        glUseProgram(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDrawBuffer(GL_BACK);
        glViewport(0, 0, 800, 600);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Blue frame with a red 10 x 10 block in the top-left corner.
    void drawMarker()
    {
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 590, 10, 10);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
    }

    Frontend::Context* context = nullptr;
    std::string dir;
};

TEST_F(Screenshot, SavedFrameIsUprightAndWindowSized)
{
    drawMarker();
    std::string file = dir + "/dump0.png";
    context->saveScreenshot(file);
    FrontendExt::ImageLoader image{FrontendExt::File(file, "rb")};
    ASSERT_EQ(image.width(), 800);
    ASSERT_EQ(image.height(), 600);
    EXPECT_EQ(image.format(), 1);
    // Decoded rows come bottom first: the screen's top-left is in the last row.
    const unsigned char* topLeft = image.data() + static_cast<size_t>(599) * 800 * 3;
    EXPECT_EQ(topLeft[0], 255);
    EXPECT_EQ(topLeft[2], 0);
    const unsigned char* bottomLeft = image.data();
    EXPECT_EQ(bottomLeft[0], 0);
    EXPECT_EQ(bottomLeft[2], 255);
    const unsigned char* topRight = topLeft + 799 * 3;
    EXPECT_EQ(topRight[2], 255);
}

// Not a check: prints what one 800 x 600 frame dump costs.
TEST_F(Screenshot, ReportsTheCostOfOneDump)
{
    // Smooth shading with a little grain, roughly what a rendered frame looks like.
    std::vector<unsigned char> frame(800 * 600 * 3);
    unsigned seed = 1;
    auto channel = [&](double value) {
        seed = seed * 1103515245u + 12345u;
        int grain = static_cast<int>((seed >> 16) % 5) - 2;
        return static_cast<unsigned char>(std::clamp(static_cast<int>(value) + grain, 0, 255));
    };
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            unsigned char* p = &frame[(y * 800 + x) * 3];
            p[0] = channel(128 + 100 * std::sin(std::hypot(x - 400.0, y - 300.0) / 40.0));
            p[1] = channel(y * 255.0 / 600);
            p[2] = channel(128 + 90 * std::cos(x / 57.0) * std::sin(y / 33.0));
        }
    glWindowPos2i(0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(800, 600, GL_RGB, GL_UNSIGNED_BYTE, frame.data());

    const int rounds = 5;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        context->saveScreenshot(dir + "/dump" + std::to_string(i) + ".png");
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
    std::printf("[ dump    ] 800 x 600 saveScreenshot: %.1f ms, %ju bytes\n", ms,
                static_cast<uintmax_t>(std::filesystem::file_size(dir + "/dump0.png")));
    for (int level : {2, 6}) {
        start = std::chrono::steady_clock::now();
        FrontendExt::writePng((dir + "/level.png").c_str(), 800, 600, frame.data(), level);
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ dump    ] writePng level %d: %.1f ms, %ju bytes\n", level, ms,
                    static_cast<uintmax_t>(std::filesystem::file_size(dir + "/level.png")));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
