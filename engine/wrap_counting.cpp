// Counting wrapped samples: each channel's frames come from the same per-channel second pass
// that renderChannel uses, and are summed exactly in 32 bits, so the sum's wrap can be seen
// before its low 16 bits are kept. Kept apart from the fast mixer, which never pays for it.
#include "wrap_counting.h"

#include "sample_math.h"

namespace chimora {

namespace {

// Whether trunc(value) lies outside -32768..32767, so that keeping its low 16 bits changes it.
bool truncationWraps(double value) { return value <= -32769.0 || value >= 32768.0; }

} // namespace

int mixCountingWraps(Engine& engine, int frames, const BlockVoices& voices, std::int16_t* block) {
    std::int32_t sums[BLOCK_SAMPLES] = {};
    std::int16_t channelSamples[BLOCK_SAMPLES];
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        if (!voices.sounded[channel]) continue;
        ChannelState& state = engine.channels[channel];
        writeChannelFrames(state, channel, frames, voices, channelSamples);
        const double gain = state.mixGain;
        for (int sample = 0; sample < 2 * frames; ++sample) {
            sums[sample] += toSample(channelSamples[sample] * gain);
        }
    }
    int wrapped = 0;
    for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
        const std::int16_t sum = wrapToSample(sums[sample]);
        const double scaled = sum * engine.masterGain.load(std::memory_order_relaxed);
        block[sample] = toSample(scaled);
        if (sum != sums[sample] || truncationWraps(scaled)) ++wrapped;
    }
    return wrapped;
}

} // namespace chimora
