// Ctrl-C, SIGTERM and SIGHUP turned into the engine's cancel flag, and into a
// byte on a pipe that an event loop can watch.
#pragma once

#include <atomic>

namespace interrupt {

// Catches SIGINT, SIGTERM and SIGHUP from now on. Returns false when the handlers or
// the pipe could not be set up.
bool install();

// Set by the first of those signals; the engine polls it.
const std::atomic_bool &flag();

// Sets the flag and wakes the pipe as a signal would, for a run that cannot go
// on for a reason of its own; signalNumber() stays 0.
void cancel();

// The signal that set the flag, or 0.
int signalNumber();

// Becomes readable once a signal has arrived; -1 before install().
int wakeDescriptor();

} // namespace interrupt
