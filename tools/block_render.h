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

// ceil(seconds x 44100): the frames that cover the given time (seconds >= 0). A product that
// lies within a trillionth of a whole number is that number, so that a decimal length such as
// 1.1 s, which a double holds a hair above 1.1, gives 48510 frames and not 48511.
double framesCovering(double seconds);

struct RenderResult {
    std::uint64_t blocksWritten = 0; // the last one may be shorter than a block
    std::uint64_t framesWritten = 0;
    bool stoppedAtLimit = false; // a channel still played after the last block
    bool sinkFailed = false;     // the sink's failure() says why
    bool interrupted = false;    // a signal was noted (interrupt_signal.h); the sink not finished
};

// Mixes up to maxBlocks blocks into the sink. With untilSilent it also stops after the first
// block at whose end no channel is active. Single-threaded: takes no lock. Ends early, without
// finishing the sink, once an interrupt signal has been noted.
RenderResult renderBlocks(Engine& engine, BlockSink& sink, std::uint64_t maxBlocks,
                          bool untilSilent);

// The same with the length in frames: whole blocks, then the rest of maxFrames in a shorter
// last block, which the engine mixes to that length alone.
RenderResult renderFrames(Engine& engine, BlockSink& sink, std::uint64_t maxFrames,
                          bool untilSilent);

} // namespace chimora
