// The block loop, as the render thread would run it, but as fast as the sink takes blocks.
#include "block_render.h"

#include "interrupt_signal.h"

#include <algorithm>
#include <cmath>

namespace chimora {

double blocksCovering(double seconds) { return std::ceil(seconds * SAMPLE_RATE / BLOCK_FRAMES); }

double framesCovering(double seconds) {
    const double frames = seconds * SAMPLE_RATE;
    const double nearest = std::nearbyint(frames);
    if (std::fabs(frames - nearest) <= nearest * 1e-12) return nearest;
    return std::ceil(frames);
}

RenderResult renderBlocks(Engine& engine, BlockSink& sink, std::uint64_t maxBlocks,
                          bool untilSilent) {
    return renderFrames(engine, sink, maxBlocks * BLOCK_FRAMES, untilSilent);
}

RenderResult renderFrames(Engine& engine, BlockSink& sink, std::uint64_t maxFrames,
                          bool untilSilent) {
    RenderResult result;
    std::int16_t block[BLOCK_SAMPLES];
    bool playing = true;
    while (result.framesWritten < maxFrames && playing) {
        if (interruptSignal() != 0) {
            result.interrupted = true;
            return result;
        }
        const int frames = static_cast<int>(
            std::min<std::uint64_t>(BLOCK_FRAMES, maxFrames - result.framesWritten));
        engine.mixBlock(block, 4 * frames);
        playing = !untilSilent || engine.countActiveChannels() != 0;
        if (!sink.writeBlock(block, frames)) {
            // A write cut short by the signal is no failure of the output.
            result.interrupted = interruptSignal() != 0;
            result.sinkFailed = !result.interrupted;
            return result;
        }
        ++result.blocksWritten;
        result.framesWritten += static_cast<std::uint64_t>(frames);
    }
    result.stoppedAtLimit = untilSilent && playing;
    if (!sink.finish()) result.sinkFailed = true;
    return result;
}

} // namespace chimora
