// The command line of `chimora`, the Linux program.
#pragma once

#include "local_time_source.h"

#include <optional>
#include <string>

namespace chimora {

struct ProgramOptions {
    bool headless = false;              // no window: scheduler and sound only, lines on stdout
    std::optional<std::string> folder;  // --dir; without it the per-user data folder
    std::optional<LocalTime> startTime; // --at: the clock starts here and runs in real time
};

// Exit code of a malformed command line.
constexpr int USAGE_EXIT_CODE = 2;

// Reads argv into options. Returns nothing when the program should go on, or the exit code to
// end with: 0 after --help (printed on stdout), USAGE_EXIT_CODE after an error (on stderr).
std::optional<int> parseProgramOptions(int argc, char** argv, ProgramOptions& options);

} // namespace chimora
