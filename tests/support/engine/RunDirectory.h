// Test support for the engine: a throw-away run directory (data/ and
// vantrel_data/ beside each other, like build/run/) that becomes the working
// directory for the test, and a Demo loaded from it on the shared GL context.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "demo/Demo.h"
#include "demo/Drawable.h"

namespace TestSupport {

class RunDirectory {
public:
    // With the project's own shaders linked into vantrel_data/ unless told otherwise.
    explicit RunDirectory(const char* tag, bool withProjectShaders = true);
    ~RunDirectory();

    void writeFile(const std::string& relativePath, const std::string& bytes) const;
    // A w x h PNG of one flat colour under data/.
    void writePicture(const std::string& name, int w, int h, unsigned char r, unsigned char g, unsigned char b) const;

    std::string path;

private:
    std::string previousDirectory;
};

// A Demo with nothing of its own: tests put elements on its timeline.
class TestDemo : public Vantrel::Demo {
public:
    TestDemo();
    // Loads the catalogues and pools (and whatever `extra` adds), then prepares and warms up.
    void loadAndPrepare();
    // Keeps a Drawable the test made off the timeline; it goes with the demo.
    template <typename T>
    T* own(T* drawable)
    {
        kept.emplace_back(drawable);
        return drawable;
    }

private:
    std::vector<std::unique_ptr<Vantrel::Drawable>> kept;
};

// Reads the average RGBA of the bound framebuffer's rectangle.
std::vector<double> averageColour(int x, int y, int width, int height);

} // namespace TestSupport
