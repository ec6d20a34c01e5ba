// Where the programs find data/ and vantrel_data/ when they are not started
// from the folder that holds them: beside the executable (an unpacked release
// archive, build/run/), then the installed location (a package). The data is
// always read through relative names ("data/x.kdx"), so the programs make the
// folder they found their current directory; what they write without a path
// of its own (frame dumps, captures) still goes where the user started them.
//
//   std::string problem = Frontend::enterDataRoot();
//   std::string out = Frontend::outputPath("dump0.png");
#pragma once

#include <string>
#include <vector>

namespace Frontend {

// The places searched, in order; an empty entry is skipped.
struct DataPlaces {
    std::string current;
    std::string besideProgram;
    std::string installed;
};

// The first place that holds a data/ folder, or "" when none does.
std::string chooseDataRoot(const DataPlaces& places);

// The places for this process: the current directory, the folder of
// /proc/self/exe and the data folder compiled in for installs.
DataPlaces processDataPlaces();

// Moves into the data root when it is not the current directory and
// remembers where the process was started. Returns "" on success (also when
// no place holds data/: the loaders then name the file that is missing),
// else the problem.
std::string enterDataRoot();
std::string enterDataRoot(const DataPlaces& places);

// `path` as the user meant it: a relative path is taken against the directory
// the process was started in. Empty stays empty.
std::string outputPath(const std::string& path);

} // namespace Frontend
