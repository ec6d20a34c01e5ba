// Our own corpus of Cg in the styles real shaders use (tests/cg_corpus): every
// file compiles and links with the entries such shaders name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/Shader.h"
#include "tests/support/TestContext.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusFiles()
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(VANTREL_SOURCE_DIR "/tests/cg_corpus"))
        if (e.is_regular_file() && e.path().extension() == ".cg")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(CgCorpus, EveryShaderCompilesAndLinks)
{
    TestSupport::glContext();
    std::vector<fs::path> files = corpusFiles();
    EXPECT_GE(files.size(), 60u);
    for (const fs::path& path : files) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        std::string listing;
        auto shader = Frontend::CompleteShader::tryCreate(text.str().c_str(), "main_vertex", "main_fragment",
                                                          path.string().c_str(), listing);
        EXPECT_TRUE(shader) << path << "\n" << listing;
    }
}

} // namespace
