// How the renderer reports a problem: one line on stderr, prefixed with its name.
#pragma once

#include <iostream>
#include <string>

namespace chimora {

inline constexpr char MESSAGE_PREFIX[] = "chimora-render: ";

// Prints the message and returns the exit code for a failed render, 1.
inline int reportFailure(const std::string& message) {
    std::cerr << MESSAGE_PREFIX << message << '\n';
    return 1;
}

} // namespace chimora
