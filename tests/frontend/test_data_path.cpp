// Which folder the programs read their data from, and where relative outputs go.
#include <filesystem>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "frontend/DataPath.h"

namespace fs = std::filesystem;

namespace {

// Three candidate folders under a fresh temporary one, each with a data/ folder or without.
struct Places {
    fs::path top;
    Frontend::DataPlaces places;

    explicit Places(bool current, bool beside, bool installed)
    {
        top = fs::temp_directory_path() / ("vantrel-datapath-" + std::to_string(getpid()));
        fs::remove_all(top);
        places.current = make("cwd", current);
        places.besideProgram = make("exe", beside);
        places.installed = make("share", installed);
    }
    ~Places() { fs::remove_all(top); }

    std::string make(const std::string& name, bool withData)
    {
        fs::create_directories(top / name);
        if (withData)
            fs::create_directories(top / name / "data");
        return (top / name).string();
    }
};

} // namespace

TEST(DataPath, TheCurrentDirectoryWinsThenBesideTheProgramThenTheInstalledFolder)
{
    {
        Places all(true, true, true);
        EXPECT_EQ(Frontend::chooseDataRoot(all.places), all.places.current);
    }
    Places beside(false, true, true);
    EXPECT_EQ(Frontend::chooseDataRoot(beside.places), beside.places.besideProgram);
    Places installed(false, false, true);
    EXPECT_EQ(Frontend::chooseDataRoot(installed.places), installed.places.installed);
    Places none(false, false, false);
    EXPECT_EQ(Frontend::chooseDataRoot(none.places), "");
    none.places.installed.clear(); // an install prefix that was never compiled in
    EXPECT_EQ(Frontend::chooseDataRoot(none.places), "");
}

TEST(DataPath, EnteringTheDataRootKeepsRelativeOutputsWhereTheUserStarted)
{
    fs::path before = fs::current_path();
    Places places(false, true, false);
    fs::current_path(places.places.current);
    EXPECT_EQ(Frontend::outputPath("dump0.png"), "dump0.png"); // nothing moved yet
    EXPECT_EQ(Frontend::enterDataRoot(places.places), "");
    EXPECT_EQ(fs::current_path(), fs::path(places.places.besideProgram));
    EXPECT_EQ(Frontend::outputPath("shots"), (fs::path(places.places.current) / "shots").string());
    EXPECT_EQ(Frontend::outputPath("/tmp/a.mp4"), "/tmp/a.mp4");
    EXPECT_EQ(Frontend::outputPath(""), "");
    fs::current_path(before);
}
