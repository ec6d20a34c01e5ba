// Outputs that are whole or absent: a file is written under a name that says
// it is incomplete and takes its own name only once it is finished, so that
// whatever ends the run (an error, SIGKILL, a power cut) no half-written file
// stands under the name the user asked for.
//
//   std::string part = partialPath("film.mp4");   // "film.partial.mp4"
//   ... write part ...
//   commitPartial(part, "film.mp4");              // rename; throws Frontend::Error
#pragma once

#include <string>

namespace Capture {

// `path` with ".partial" before its extension (after the name when it has none),
// so that the container is still known from the name.
std::string partialPath(const std::string& path);

// Gives the finished `partial` its own name `path`, replacing what was there.
void commitPartial(const std::string& partial, const std::string& path);

} // namespace Capture
