// Runs compile requests in a child process so that a fault in a library (a
// signal, an endless loop, runaway memory) ends the child, not the caller.
//
// The child is a fork of this process, started on the first request and kept
// for the next ones: it inherits everything already built (glslang's symbol
// tables among it), answers each request through a socket and never touches
// the parent's GL context or exit handlers. A child that faults is reaped and
// the next request starts a fresh one. Memory (address space) and the wall
// time of each request are bounded.
//
//   Frontend::Cg::IsolatedRun run = Frontend::Cg::runIsolated(handler, requestBytes);
//   if (!run.ok) report(run.failure);   // "the compiler crashed (signal 11, ...)"
#pragma once

#include <string>

namespace Frontend::Cg {

struct IsolatedRun {
    bool ok = false;
    std::string bytes;   // what the handler returned
    std::string failure; // why there are none
};

// Runs in the child; a plain function, so that the child needs nothing of the caller's state.
using IsolatedHandler = std::string (*)(const std::string& request);

IsolatedRun runIsolated(IsolatedHandler handler, const std::string& request);

// How many requests ended the child by a signal, a limit or a timeout (fuzzing statistics).
int isolatedFaultCount();

} // namespace Frontend::Cg
