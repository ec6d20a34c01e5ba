// Runs work in a child process so that a fault in a library (a signal, an
// endless loop, runaway memory) ends the child, not the caller.
//
// The child is a fork of this process: it inherits everything already built
// (glslang's symbol tables among it), runs work, sends its bytes back through
// a pipe and leaves with _exit, so it never touches the parent's GL context or
// exit handlers. Memory (address space) and wall time are bounded.
//
//   Frontend::Cg::IsolatedRun run = Frontend::Cg::runIsolated([] { return std::string("bytes"); });
//   if (!run.ok) report(run.failure);   // "the compiler crashed (signal 11)"
#pragma once

#include <functional>
#include <string>

namespace Frontend::Cg {

struct IsolatedRun {
    bool ok = false;
    std::string bytes;    // what work returned
    std::string failure;  // why there are none
};

IsolatedRun runIsolated(const std::function<std::string()>& work);

// How many isolated runs ended by a signal, a limit or a timeout (fuzzing statistics).
int isolatedFaultCount();

} // namespace Frontend::Cg
