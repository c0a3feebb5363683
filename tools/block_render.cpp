// The block loop, as the render thread would run it, but as fast as the sink takes blocks.
#include "block_render.h"

#include "interrupt_signal.h"

#include <cmath>

namespace chimora {

double blocksCovering(double seconds) { return std::ceil(seconds * SAMPLE_RATE / BLOCK_FRAMES); }

RenderResult renderBlocks(Engine& engine, BlockSink& sink, std::uint64_t maxBlocks,
                          bool untilSilent) {
    RenderResult result;
    std::int16_t block[BLOCK_SAMPLES];
    bool playing = true;
    while (result.blocksWritten < maxBlocks && playing) {
        if (interruptSignal() != 0) {
            result.interrupted = true;
            return result;
        }
        engine.mixBlock(block, BLOCK_BYTES);
        playing = !untilSilent || engine.countActiveChannels() != 0;
        if (!sink.writeBlock(block)) {
            // A write cut short by the signal is no failure of the output.
            result.interrupted = interruptSignal() != 0;
            result.sinkFailed = !result.interrupted;
            return result;
        }
        ++result.blocksWritten;
    }
    result.stoppedAtLimit = untilSilent && playing;
    if (!sink.finish()) result.sinkFailed = true;
    return result;
}

} // namespace chimora
