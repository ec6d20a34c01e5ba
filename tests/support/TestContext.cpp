#include "tests/support/TestContext.h"

#include <epoxy/gl.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace TestSupport {

Frontend::Context& glContext()
{
    static Frontend::Context* context = [] {
        Frontend::ContextDesc desc;
        desc.hidden = true;
        return new Frontend::Context(desc); // lives until the test program ends
    }();
    context->makeCurrent(); // a test may have run a demo with a context of its own
    return *context;
}

std::vector<unsigned char> readPixels(int x, int y, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::string makeTempDir(const char* tag)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string("vantrel-") + tag + "-XXXXXX")).string();
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

} // namespace TestSupport
