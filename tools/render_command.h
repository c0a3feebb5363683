// Carries out a parsed command line: loads the input, renders or lists it, reports failures.
#pragma once

#include "render_options.h"

#include <cstdint>
#include <vector>

namespace chimora {

// Prints the song's warnings on stderr unless --quiet; false when --strict and there are any.
bool checkSong(const RenderOptions& options, const std::vector<std::uint8_t>& bytesWithLineFeed);

// Returns the process exit code; every failure is reported on stderr.
int runRenderCommand(const RenderOptions& options);

} // namespace chimora
