// The capture tool run on damaged or odd data files: each must end with a
// message naming the file and the problem and a non-zero status, never a
// signal or a hang. The run directory links every real data file except the
// ones a test replaces.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "frontend_ext/QBRLoader.h"
#include "tests/support/TestContext.h"

namespace fs = std::filesystem;

namespace {

const fs::path kRunDir = VANTREL_RUN_DIR;

class HostileData : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kRunDir / "data" / "music.mp3"))
            GTEST_SKIP() << "no demo data in " << kRunDir;
        dir = TestSupport::makeTempDir("hostile-data");
        fs::create_directory(dir / "data");
        for (const auto& entry : fs::directory_iterator(kRunDir / "data"))
            fs::create_symlink(entry.path(), dir / "data" / entry.path().filename());
        fs::create_directory_symlink(kRunDir / "vantrel_data", dir / "vantrel_data");
    }

    void TearDown() override
    {
        if (!dir.empty())
            fs::remove_all(dir);
    }

    // Removes the link to the real file so the test can put something else there.
    fs::path replace(const std::string& name)
    {
        fs::path path = dir / "data" / name;
        fs::remove(path);
        return path;
    }

    void writeBytes(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        std::ofstream(replace(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // Runs the tool for one frame; the status is -1 after a signal, 137 when
    // it ran past the time limit.
    int capture(std::string& output, const std::string& args = "--at 1 --out frames")
    {
        std::string command = "cd '" + dir.string() + "' && timeout -s KILL 120 '" +
                              (kRunDir / "vantrel-capture").string() + "' " + args + " --quiet > log 2>&1";
        int raw = std::system(command.c_str());
        std::ifstream log(dir / "log");
        output.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    void expectFailure(const std::string& message)
    {
        std::string output;
        EXPECT_GT(capture(output), 0) << output;
        EXPECT_NE(output.find(message), std::string::npos) << output;
    }

    fs::path dir;
};

} // namespace

TEST_F(HostileData, ScenesReportAMissingOrEmptyMeshNamingTheFile)
{
    writeBytes("skate.qbr", FrontendExt::encodeQBR({}));
    expectFailure("data/skate.qbr: no mesh 0 (the file holds 0 meshes)");

    fs::create_symlink(kRunDir / "data" / "skate.qbr", replace("skate.qbr"));
    writeBytes("seastar.qbr", FrontendExt::encodeQBR({FrontendExt::QBRMesh{"star", {}, {}}}));
    expectFailure("data/seastar.qbr: mesh 0 has no vertices");
}

TEST_F(HostileData, ScenesOfAnotherVersionOrNoSceneAtAllAreRefusedNamingTheFile)
{
    writeBytes("dragonflypaths.kdx", {'K', 'D', 'X', '1', '1', '4', 0, 0, 0, 0});
    expectFailure("data/dragonflypaths.kdx: not a KDX115 scene");

    fs::create_symlink(kRunDir / "data" / "dragonflypaths.kdx", replace("dragonflypaths.kdx"));
    writeBytes("balloon.kdx", {0xff, 0xd8, 0xff, 0xe0, 0, 16, 'J', 'F', 'I', 'F'});
    expectFailure("data/balloon.kdx: not a KDX115 scene");
}

TEST_F(HostileData, PipesAndFoldersInPlaceOfDataFilesAreNamedNotWaitedOn)
{
    ASSERT_EQ(mkfifo(replace("music.mp3").c_str(), 0600), 0);
    fs::create_directory(replace("balloon.kdx"));
    std::string output;
    EXPECT_GT(capture(output), 0) << output;
    EXPECT_NE(output.find("cannot open file 'data/music.mp3': it is a pipe"), std::string::npos) << output;
    EXPECT_NE(output.find("cannot open file 'data/balloon.kdx': it is a directory"), std::string::npos) << output;
}

// A video would lose its sound without a word: refused, unless --silent asks
// for a film without it; PNG frames go on after one line.
TEST_F(HostileData, MusicThatCannotBeDecodedStopsAVideoUnlessSilent)
{
    writeBytes("music.mp3", std::vector<unsigned char>(4096, 0x5a));
    std::string output;
    EXPECT_EQ(capture(output, "--from 1 --to 1.2 --fps 10 --size 64x48 --out v.mp4"), 1) << output;
    EXPECT_NE(output.find("data/music.mp3"), std::string::npos) << output;
    EXPECT_NE(output.find("--silent"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir / "v.mp4"));
    EXPECT_EQ(capture(output, "--from 1 --to 1.2 --fps 10 --size 64x48 --silent --out v.mp4"), 0) << output;
    EXPECT_TRUE(fs::exists(dir / "v.mp4"));
    EXPECT_EQ(capture(output), 0) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}
