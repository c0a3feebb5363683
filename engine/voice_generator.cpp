// The voice generator: one channel's frames, from oscillator to envelope, and the counting
// that hands the channel back to the sequencer when its step has run out.
#include "engine.h"
#include "instrument.h"
#include "sample_math.h"
#include "voice_tables.h"
#include "waveforms.h"

namespace chimora {

namespace {

constexpr double PITCH_LIMIT_HZ = 20000.0;
constexpr std::int32_t VIBRATO_TURN_FRAMES = 3500; // peak to opposite peak
constexpr std::uint8_t LONG_NOISE_MODE = 0;
constexpr std::uint8_t SHORT_NOISE_MODE = 1;

// Sweep and vibrato move the pitch at every frame, sounding or not.
void advancePitch(ChannelState& state) {
    state.sweepOffset = state.sweepOffset + state.sweepRate;
    if (state.vibratoDelayLeft != 0) state.vibratoDelayLeft -= 1;
    if (state.vibratoDelayLeft == 0) {
        state.vibratoOffset = state.vibratoOffset + state.vibratoStep;
        state.vibratoCounter -= 1;
        if (state.vibratoCounter <= 0) {
            state.vibratoCounter = VIBRATO_TURN_FRAMES;
            state.vibratoStep = -state.vibratoStep;
        }
    }
    double frequency = state.sweepOffset + state.baseFrequency + state.vibratoOffset;
    if (frequency < 0.0) frequency = 0.0;
    if (frequency > PITCH_LIMIT_HZ) frequency = PITCH_LIMIT_HZ;
    state.frequency = frequency;
}

// Counts the step and the gate down by one frame; at the end of the step the sequencer
// reads on. Only a running channel counts.
void countFrame(Engine& engine, int channel) {
    ChannelState& state = engine.channels[channel];
    if (!state.active) return;
    state.stepSamples = state.stepSamples - 1;
    state.gateSamples = state.gateSamples - 1;
    if (state.gateSamples < 1 && state.tieNext == 0) {
        state.keyOn = 0;
        // This one instrument holds its last level: key kept on, oscillator stopped.
        if (state.instrument == INSTRUMENT_HELD_TRIANGLE) {
            state.frequency = 0.0;
            state.keyOn = 1;
        }
    }
    if (state.stepSamples < 1) engine.stepEvents(channel);
}

} // namespace

void Engine::renderChannel(int channel, std::int16_t* out, std::int32_t lengthBytes) {
    ChannelState& state = channels[channel];
    for (std::int64_t frame = 0; 4 * frame < lengthBytes; ++frame) {
        const StereoSample raw = voiceSample(channel);
        advancePitch(state);
        const double level = envelopeStep(channel, state.envelopeRestart);
        state.envelopeRestart = 0;
        const double gain = volumeGains[voiceTableIndex(state.volume)];
        out[2 * frame] = toSample(raw.left * gain * level);
        out[2 * frame + 1] = toSample(raw.right * gain * level);
        countFrame(*this, channel);
    }
}

namespace {

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
