// The second mixing pass and the master gain for a block whose wrapped samples are counted
// (Engine::countWrappedSamples). Internal to the engine; render thread only.
#pragma once

#include "block_voices.h"

#include <cstdint>

namespace chimora {

// Does what mixChannelFrames and then applyMasterGain do, with the same samples as a result,
// and returns how many of the block's samples wrapped around in the channel sum or in the
// master gain's scaling (a sample that wraps in both counts once).
int mixCountingWraps(Engine& engine, int frames, const BlockVoices& voices, std::int16_t* block);

} // namespace chimora
