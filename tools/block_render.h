// The render loop: mixed blocks of 1500 frames handed to a sink in order.
#pragma once

#include "block_sink.h"
#include "engine.h"

#include <cstdint>

namespace chimora {

// A song rendered until it ends stops after this long even if a channel still plays.
constexpr double SONG_END_LIMIT_SECONDS = 600.0;

// ceil(seconds x 44100 / 1500): the blocks that cover the given time (seconds >= 0).
double blocksCovering(double seconds);

struct RenderResult {
    std::uint64_t blocksWritten = 0;
    bool stoppedAtLimit = false; // a channel still played after the last block
    bool sinkFailed = false;     // the sink's failure() says why
    bool interrupted = false;    // a signal was noted (interrupt_signal.h); the sink not finished
};

// Mixes up to maxBlocks blocks into the sink. With untilSilent it also stops after the first
// block at whose end no channel is active. Single-threaded: takes no lock. Ends early, without
// finishing the sink, once an interrupt signal has been noted.
RenderResult renderBlocks(Engine& engine, BlockSink& sink, std::uint64_t maxBlocks,
                          bool untilSilent);

} // namespace chimora
