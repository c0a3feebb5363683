// The program without a window: the same scheduler and sound output, one line on standard
// output at start and one for each signal, and on a terminal a clock line rewritten in place.
// Ends cleanly on SIGINT (Ctrl-C) or SIGTERM.
#pragma once

#include "local_time_source.h"

#include <string>

namespace chimora {

// Blocks SIGINT and SIGTERM for the calling thread and every thread started after it, so that
// only runHeadless receives them. Call first thing in main, before any thread exists.
void blockStopSignals();

// Runs in the current directory (named `folder` in the start line) until a stop signal
// arrives, then shuts the sound output down in order. Returns the exit code, 0.
int runHeadless(const std::string& folder, LocalTimeSource& localTime);

} // namespace chimora
