// The mixer: the eight channels summed into one block with 16-bit wrap-around, then scaled by
// the master gain.
#include "engine.h"
#include "sample_math.h"

#include <algorithm>

namespace chimora {

void Engine::mixBlock(std::int16_t* block, std::int32_t lengthBytes) {
    std::fill(block, block + BLOCK_SAMPLES, std::int16_t{0});
    // The scratch block holds one block: a longer length must not render past its end, and
    // frames a shorter one leaves out are silent rather than left over from the last channel.
    const std::int32_t renderBytes = std::min(lengthBytes, std::int32_t{BLOCK_BYTES});
    const int renderedFrames = renderBytes <= 0 ? 0 : (renderBytes + 3) / 4;
    std::fill(mixScratch + 2 * renderedFrames, mixScratch + BLOCK_SAMPLES, std::int16_t{0});
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        renderChannel(channel, mixScratch, renderBytes);
        const double gain = channels[channel].mixGain;
        for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
            block[sample] = wrapToSample(block[sample] + toSample(mixScratch[sample] * gain));
        }
    }
    // The gain is read per sample, so a change made meanwhile takes effect mid-block.
    for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
        block[sample] = toSample(block[sample] * masterGain.load(std::memory_order_relaxed));
    }
}

void Engine::setMasterGain(double gain) {
    // Written so that a gain that is not a number fails the test and is ignored too.
    if (gain >= 0.0) masterGain.store(gain, std::memory_order_relaxed);
}

} // namespace chimora
