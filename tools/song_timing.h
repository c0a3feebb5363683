// When a started song ends, or has played through a number of times, in frames from its start:
// found by stepping the engine's own sequencer, without rendering sound. Used by --loops, by
// --fade and by the progress line to know the length of a render before it is made.
#pragma once

#include "engine.h"

#include <cstdint>
#include <optional>

namespace chimora {

// A channel without x goes back to its loop point (L, or its start) each time it reaches its
// end. The song has played through `passes` times at the first frame at which every channel
// has either stopped (ended with x, or never started) or gone back to its loop point `passes`
// times; each channel counts its own passes, so channels with shorter loops go on looping
// until the last one is done. With passes = 0 the song ends only when every channel has
// stopped.
//
// `engine` holds the song freshly started (as for rendering) and is used up: its sequencer is
// stepped to the end. Returns nothing when that end lies beyond limitFrames.
std::optional<std::uint64_t> framesUntilPlayedThrough(Engine& engine, int passes,
                                                      std::uint64_t limitFrames);

// Whether some channel of the freshly started song goes back to its loop point before it
// could stop: at least once within limitFrames. Uses up `engine` like the function above.
bool songLoops(Engine& engine, std::uint64_t limitFrames);

} // namespace chimora
