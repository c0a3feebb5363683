// Fuzz target: any bytes as the eight event buffers (any codes and arguments: tempo 0, repeats
// out of balance, loops without notes), started and rendered for many blocks. Every call must
// return, stay inside its buffers, and keep every value that reaches a sample a number.
#include "engine.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int BLOCKS = 8;

// What the voice turns into samples: a value that is not a number here would reach the output.
// The filter's memory is left out: a hand-made filter argument above 99 (the compiler never
// writes one) gives a coefficient above 1, and the filter then diverges to infinity and NaN as
// its rule says; the sample conversion turns those into 0, so the output stays defined.
void requireNumbers(const chimora::ChannelState& state) {
    const double values[] = {state.frequency,    state.envelopeLevel, state.phase,
                             state.stepSamples,  state.gateSamples,   state.sweepOffset,
                             state.vibratoOffset};
    for (double value : values) {
        if (std::isnan(value)) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto owner = std::make_unique<chimora::Engine>();
    chimora::Engine& engine = *owner;
    // Channel c's buffer takes input bytes c*2048 onwards; what a short input leaves is zero.
    for (int channel = 0; channel < chimora::CHANNEL_COUNT; ++channel) {
        const std::size_t start = static_cast<std::size_t>(channel) * chimora::EVENT_BUFFER_BYTES;
        if (start >= size) break;
        const std::size_t count = std::min<std::size_t>(size - start, chimora::EVENT_BUFFER_BYTES);
        std::copy_n(data + start, count, engine.channels[channel].events);
    }
    engine.startAllChannels();
    std::vector<std::int16_t> block(chimora::BLOCK_SAMPLES);
    for (int i = 0; i < BLOCKS; ++i) {
        engine.mixBlock(block.data(), chimora::BLOCK_BYTES);
        for (const chimora::ChannelState& state : engine.channels) requireNumbers(state);
    }
    return 0;
}
