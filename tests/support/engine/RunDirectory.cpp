#include "tests/support/engine/RunDirectory.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "frontend/ImageLoader.h"
#include "tests/support/TestContext.h"

namespace TestSupport {

namespace fs = std::filesystem;

RunDirectory::RunDirectory(const char* tag, bool withProjectShaders)
{
    glContext();
    path = makeTempDir(tag);
    fs::create_directories(path + "/data");
    if (withProjectShaders)
        fs::create_directory_symlink(fs::path(VANTREL_SOURCE_DIR) / "vantrel_data", path + "/vantrel_data");
    else
        fs::create_directories(path + "/vantrel_data");
    previousDirectory = fs::current_path().string();
    fs::current_path(path);
}

RunDirectory::~RunDirectory()
{
    std::error_code error;
    fs::current_path(previousDirectory, error);
    fs::remove_all(path, error);
}

void RunDirectory::writeFile(const std::string& relativePath, const std::string& bytes) const
{
    fs::path target = fs::path(path) / relativePath;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RunDirectory::writePicture(const std::string& name, int w, int h, unsigned char r, unsigned char g,
                                unsigned char b) const
{
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    FrontendExt::writePng((path + "/data/" + name).c_str(), w, h, rgb.data(), 1);
}

TestDemo::TestDemo()
{
    tempo = 163.0f;
}

void TestDemo::loadAndPrepare()
{
    load();
    prepareDrawables();
}

std::vector<double> averageColour(int x, int y, int width, int height)
{
    std::vector<unsigned char> pixels = readPixels(x, y, width, height);
    std::vector<double> sum(4, 0.0);
    for (size_t i = 0; i < pixels.size(); i++)
        sum[i % 4] += pixels[i];
    double count = static_cast<double>(width) * height;
    for (double& channel : sum)
        channel /= count;
    return sum;
}

} // namespace TestSupport
