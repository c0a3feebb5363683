// How the renderer reports a problem: one line on stderr, prefixed with its name.
#pragma once

#include "block_render.h"

#include <iostream>
#include <string>

namespace chimora {

inline constexpr char MESSAGE_PREFIX[] = "chimora-render: ";

// Exit codes: a file that cannot be read or written, and a command line that makes no sense.
inline constexpr int FAILURE_EXIT_CODE = 1;
inline constexpr int USAGE_EXIT_CODE = 2;

// Prints the message and returns the exit code for a failed render, 1.
inline int reportFailure(const std::string& message) {
    std::cerr << MESSAGE_PREFIX << message << '\n';
    return FAILURE_EXIT_CODE;
}

// Prints the message and returns the exit code for a usage error, 2.
inline int reportUsageError(const std::string& message) {
    std::cerr << MESSAGE_PREFIX << message << '\n';
    return USAGE_EXIT_CODE;
}

// The note for a song that still plays when the length limit (600 s) is reached; `verb` says
// what --seconds does instead: "renders" or "plays".
inline void reportSongStillPlaying(const char* verb) {
    std::cerr << MESSAGE_PREFIX << "the song still plays after " << SONG_END_LIMIT_SECONDS
              << " seconds; it stops there (--seconds or --loops " << verb << " another length)\n";
}

} // namespace chimora
