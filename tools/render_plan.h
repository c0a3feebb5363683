// How long a render runs and how it ends, decided before it starts from the options and, for
// --loops, --fade and the progress line, from the song's own timing (song_timing.h).
#pragma once

#include "engine.h"
#include "render_options.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace chimora {

// The most a --loops render may last: 6 hours, which a WAV file still holds.
constexpr double LOOPS_LIMIT_SECONDS = 6 * 3600.0;

struct RenderPlan {
    std::uint64_t maxFrames = 0; // at most this many frames
    bool untilSilent = false;    // and stop after the block at whose end no channel plays
    // The length the render will have, where it is known in advance (always with --seconds,
    // --loops or --fade; without them only when wanted, for the progress line).
    std::optional<std::uint64_t> expectedFrames;
    std::uint64_t fadeFrames = 0; // the last frames of expectedFrames that fade out
    bool songDoesNotLoop = false; // --loops was given for a song that ends by itself
};

// Puts the song or chime into a fresh engine exactly as for the render.
using StartInput = std::function<void(Engine&)>;

// Fills the plan; false with a message (a failure, exit code 1) when --seconds is more than
// the output holds or the song has not played through --loops times within the limit.
// wantLength asks for expectedFrames even where nothing else needs it.
bool planRender(const RenderOptions& options, const StartInput& start, bool wantLength,
                RenderPlan& plan, std::string& error);

} // namespace chimora
