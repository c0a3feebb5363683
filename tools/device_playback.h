// chimora-render --play: the song or chime through the sound device instead of into a file.
#pragma once

#include "render_options.h"

namespace chimora {

// Plays through the platform's default output (or --device) with the clock's own audio output
// until every channel has stopped, --seconds or --loops have passed (at most 600 s without
// them) or Ctrl-C; with --watch, again from the start after each save of the song, until
// Ctrl-C. Returns the exit code: 0, 130 after Ctrl-C (143 after SIGTERM), 1 with a message on
// stderr when the song cannot be read or the sound device cannot be opened or stops taking
// sound, 2 for a device name the platform does not know.
int playThroughDevice(const RenderOptions& options);

} // namespace chimora
