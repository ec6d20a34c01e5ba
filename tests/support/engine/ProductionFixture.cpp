#include "tests/support/engine/ProductionFixture.h"

#include <filesystem>
#include <string>

#include "frontend/RenderTarget.h"
#include "frontend/State.h"
#include "tests/support/TestContext.h"

namespace TestSupport {

Prod::Prod* ProductionFixture::prod = nullptr;
RunDirectory* ProductionFixture::run = nullptr;

void ProductionFixture::SetUpTestSuite()
{
    if (prod)
        return; // one production per test program: suites share it
    run = new RunDirectory("production");
    std::filesystem::remove(run->path + "/data");
    std::filesystem::create_directory_symlink(std::string(VANTREL_RUN_DIR) + "/data", run->path + "/data");
    prod = new Prod::Prod;
    prod->load();
    prod->prepareDrawables();
}

std::vector<unsigned char> ProductionFixture::pictureAt(const Vantrel::TimelineEntry& entry, float t)
{
    prod->time = entry.start + t;
    prod->frameTime = 1.0f / 60.0f;
    Frontend::State::resetState();
    entry.element->renderSpan(entry.start, entry.end - entry.start);
    entry.element->bind();
    std::vector<unsigned char> pixels = readPixels(0, 0, entry.element->width, entry.element->height);
    Frontend::RenderTarget::unbind();
    return pixels;
}

std::vector<unsigned char> ProductionFixture::frameAt(float t)
{
    prod->time = t;
    prod->frameTime = 1.0f / 60.0f;
    prod->composeFrame();
    Frontend::RenderTarget::unbind();
    return readPixels(0, 0, prod->width, prod->height);
}

double ProductionFixture::brightness(const std::vector<unsigned char>& pixels)
{
    double sum = 0.0;
    for (size_t i = 0; i < pixels.size(); i++)
        sum += (i % 4 == 3) ? 0 : pixels[i];
    return sum / (static_cast<double>(pixels.size()) * 0.75);
}

} // namespace TestSupport
