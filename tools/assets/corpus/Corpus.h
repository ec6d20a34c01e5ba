// Seed inputs for the fuzz targets: a few small, valid files of each format
// the demo reads, covering the layouts and optional fields the readers take.
// The fuzzers mutate them; they are not production content.
//
//   vantrel-assets --corpus DIR    writes DIR/qbr, DIR/kdx, DIR/picture
#pragma once

#include <string>

namespace Assets {

// Returns the number of files written. Throws Frontend::Error when a file cannot be written.
int writeFuzzCorpus(const std::string& directory);

} // namespace Assets
