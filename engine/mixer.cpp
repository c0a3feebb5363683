// The mixer: the eight channels summed into one block with 16-bit wrap-around, then scaled by
// the master gain.
#include "block_voices.h"
#include "engine.h"
#include "sample_math.h"
#include "wrap_counting.h"

#include <algorithm>

namespace chimora {

void Engine::mixBlock(std::int16_t* block, std::int32_t lengthBytes) {
    std::fill(block, block + BLOCK_SAMPLES, std::int16_t{0});
    // One block at most: frames a shorter length leaves out stay silent.
    const std::int32_t renderBytes = std::min(lengthBytes, std::int32_t{BLOCK_BYTES});
    const int frames = renderBytes <= 0 ? 0 : (renderBytes + 3) / 4;
    bool anySound = false;
    if (frames > 0) {
        // Channel by channel in order, so the shared noise register steps as it always has;
        // then the filters and the sum of all channels together.
        // Channels that only have an oscillator to move touch no shared state and go last.
        int idleChannels[CHANNEL_COUNT];
        int idleCount = 0;
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            if (onlyOscillatorMoves(*this, channel)) {
                idleChannels[idleCount++] = channel;
                continue;
            }
            runVoiceFrames(*this, channel, frames, *blockVoices);
            anySound = anySound || blockVoices->sounded[channel];
        }
        advanceIdleOscillators(*this, idleChannels, idleCount, frames, *blockVoices);
    }
    // Silence stays silence at any gain (even 0 times an infinite gain converts to 0).
    if (!anySound) return;
    if (countWrappedSamples) {
        wrappedSamples += mixCountingWraps(*this, frames, *blockVoices, block);
        return;
    }
    mixChannelFrames(*this, frames, *blockVoices, block);
    applyMasterGain(block, masterGain);
}

void Engine::setMasterGain(double gain) {
    // Written so that a gain that is not a number fails the test and is ignored too.
    if (gain >= 0.0) masterGain.store(gain, std::memory_order_relaxed);
}

} // namespace chimora
