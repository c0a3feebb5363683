// The plain frame-by-frame mixer the engine's fast block mixer must match sample for sample:
// eight channels rendered one after another, one frame at a time, every value read from and
// written to the channel record, exactly in the order of the synthesis rules. It shares only
// the sequencer (stepEvents) with the engine. Used by the equivalence tests alone.
#pragma once

#include "engine.h"

#include <cstdint>

namespace chimora::testing {

// What Engine::mixBlock does, the slow and obvious way.
void referenceMixBlock(Engine& engine, std::int16_t* block, std::int32_t lengthBytes);
// What Engine::renderChannel does, the slow and obvious way.
void referenceRenderChannel(Engine& engine, int channel, std::int16_t* out,
                            std::int32_t lengthBytes);

} // namespace chimora::testing
