// The voice generator: one channel's frames, from oscillator to envelope, and the counting
// that hands the channel back to the sequencer when its step has run out. renderChannel runs
// the block mixer's two passes for one channel; voiceSample is the single-frame form of the
// first pass's oscillator and waveform and the second pass's filter and pan.
#include "block_voices.h"
#include "engine.h"
#include "instrument.h"
#include "sample_math.h"
#include "voice_tables.h"
#include "waveforms.h"

#include <algorithm>

namespace chimora {

namespace {

constexpr std::uint8_t LONG_NOISE_MODE = 0;
constexpr std::uint8_t SHORT_NOISE_MODE = 1;

// Steps the noise clock by one frame's worth and returns the noise level after it.
std::int16_t noiseValue(Engine& engine, ChannelState& state, int family, int variant) {
    state.noisePhase = state.noisePhase + noiseRates[variant];
    const std::uint8_t mode = family == FAMILY_LONG_NOISE ? LONG_NOISE_MODE : SHORT_NOISE_MODE;
    while (state.noisePhase > PHASE_CYCLE) {
        state.noisePhase = state.noisePhase - PHASE_CYCLE;
        const std::uint8_t bit = engine.noiseShift(mode);
        state.noiseLevel = bit == 1 ? static_cast<std::int16_t>(-PULSE_LEVEL) : PULSE_LEVEL;
    }
    return state.noiseLevel;
}

std::int16_t rawValue(Engine& engine, ChannelState& state) {
    const int family = instrumentFamily(state.instrument);
    const int variant = instrumentVariant(state.instrument);
    switch (family) {
    case FAMILY_SHORT_PULSE:
    case FAMILY_PULSE: return pulseValue(state.phase, pulseLowPhases(family, variant));
    case FAMILY_SAWTOOTH: return sawtoothValue(state.phase);
    case FAMILY_TRIANGLE: return triangleValue(state.phase, variant >= 8);
    case FAMILY_LONG_NOISE:
    case FAMILY_SHORT_NOISE: return noiseValue(engine, state, family, variant);
    default: return 0; // 96..99, and any higher byte of a hand-made stream
    }
}

} // namespace

void Engine::renderChannel(int channel, std::int16_t* out, std::int32_t lengthBytes) {
    if (!isChannelNumber(channel)) return;
    if (lengthBytes <= 0) return;
    const std::int64_t frames = (std::int64_t{lengthBytes} + 3) / 4;
    for (std::int64_t done = 0; done < frames; done += BLOCK_FRAMES) {
        const int piece = static_cast<int>(std::min<std::int64_t>(BLOCK_FRAMES, frames - done));
        runVoiceFrames(*this, channel, piece, *blockVoices);
        writeChannelFrames(channels[channel], channel, piece, *blockVoices, out + 2 * done);
    }
}

StereoSample Engine::voiceSample(int channel) {
    ChannelState& state = channels[channel];
    // The oscillator runs whether the key is on or not, so a new note picks it up mid-cycle.
    state.phase = state.phase + state.frequency;
    if (state.phase >= PHASE_CYCLE) state.phase = state.phase - PHASE_CYCLE;
    if (state.keyOn == 0) return {0, 0};

    const double raw = rawValue(*this, state);
    state.filterLeft = state.filterLeft + (raw - state.filterLeft) * state.filterCoefficient;
    state.filterRight = state.filterRight + (raw - state.filterRight) * state.filterCoefficient;
    // The pan gain scales the filter state itself, inside the filter's feedback.
    const auto rightIndex = static_cast<std::uint8_t>(16 - state.pan);
    state.filterLeft = state.filterLeft * panGains[voiceTableIndex(state.pan)];
    state.filterRight = state.filterRight * panGains[voiceTableIndex(rightIndex)];
    return {toSample(state.filterLeft), toSample(state.filterRight)};
}

} // namespace chimora
