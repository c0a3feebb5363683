// The reference mixer: a straightforward transcription of the synthesis rules, kept apart from
// the engine's optimised code so that the two can be compared.
#include "reference_mixer.h"

#include "instrument.h"
#include "sample_math.h"
#include "voice_tables.h"

#include <algorithm>

namespace chimora::testing {

namespace {

constexpr double CYCLE = 44100.0;
constexpr std::int16_t LEVEL = 6363;

std::uint8_t noiseShift(Engine& engine, std::uint8_t mode) {
    if (mode != engine.lastNoiseMode) engine.noiseRegister = 0x4000;
    engine.lastNoiseMode = mode;
    const int tap = mode != 0 ? 6 : 1;
    const auto bit =
        static_cast<std::uint8_t>((engine.noiseRegister ^ (engine.noiseRegister >> tap)) & 1);
    engine.noiseRegister = static_cast<std::uint16_t>(engine.noiseRegister >> 1);
    if (bit) engine.noiseRegister = static_cast<std::uint16_t>(engine.noiseRegister | 0x4000);
    return bit;
}

std::int16_t rawValue(Engine& engine, ChannelState& state) {
    const int family = state.instrument >> 4;
    const int variant = state.instrument & 0x0F;
    const double phase = state.phase;
    switch (family) {
    case 0:
    case 1: {
        const int low = family == 0 ? 44100 / (variant + 2) : ((variant + 1) * 44100) / 16;
        return phase <= low ? static_cast<std::int16_t>(-LEVEL) : LEVEL;
    }
    case 2: return toSample(2 * (LEVEL - phase * 0.2885714285714286));
    case 3: {
        double p = phase;
        if (state.instrument >= 56) p = 1378 * (static_cast<std::int32_t>(phase) / 1378);
        double t = p + 11025;
        if (t > 44100) t = t - 44100;
        double y;
        if (t < 22050) {
            y = LEVEL - t * 0.5771428571428572;
        } else {
            y = -(LEVEL - (t - 22050) * 0.5771428571428572);
        }
        return toSample(y * 1.41);
    }
    case 4:
    case 5: {
        state.noisePhase = state.noisePhase + noiseRates[variant];
        while (state.noisePhase > CYCLE) {
            state.noisePhase = state.noisePhase - CYCLE;
            const std::uint8_t bit = noiseShift(engine, family == 4 ? 0 : 1);
            state.noiseLevel = bit == 1 ? static_cast<std::int16_t>(-LEVEL) : LEVEL;
        }
        return state.noiseLevel;
    }
    default: return 0;
    }
}

StereoSample voiceSample(Engine& engine, ChannelState& state) {
    state.phase = state.phase + state.frequency;
    if (state.phase >= CYCLE) state.phase = state.phase - CYCLE;
    if (state.keyOn == 0) return {0, 0};
    const double raw = rawValue(engine, state);
    state.filterLeft = state.filterLeft + (raw - state.filterLeft) * state.filterCoefficient;
    state.filterRight = state.filterRight + (raw - state.filterRight) * state.filterCoefficient;
    const auto right = static_cast<std::uint8_t>(16 - state.pan);
    state.filterLeft = state.filterLeft * panGains[voiceTableIndex(state.pan)];
    state.filterRight = state.filterRight * panGains[voiceTableIndex(right)];
    return {toSample(state.filterLeft), toSample(state.filterRight)};
}

double envelopeStep(ChannelState& state, std::uint8_t restart) {
    if (restart) {
        state.envelopeLevel = 0.0;
        state.envelopePhase = 0;
    }
    if ((state.instrument >> 4) == 3) {
        state.envelopeLevel = 1.0;
        return 1.0;
    }
    if (state.envelopePhase == 0) {
        state.envelopeLevel = state.envelopeLevel + state.attackRate;
        if (state.envelopeLevel > 1.0) {
            state.envelopeLevel = 1.0;
            state.envelopePhase = 1;
        }
    }
    if (state.envelopePhase == 1) {
        state.envelopeLevel = state.envelopeLevel - state.decayRate;
        if (state.envelopeLevel < state.sustainLevel) {
            state.envelopeLevel = state.sustainLevel;
            state.envelopePhase = 2;
        }
    }
    return state.envelopeLevel;
}

void advancePitch(ChannelState& state) {
    state.sweepOffset = state.sweepOffset + state.sweepRate;
    if (state.vibratoDelayLeft != 0) state.vibratoDelayLeft -= 1;
    if (state.vibratoDelayLeft == 0) {
        state.vibratoOffset = state.vibratoOffset + state.vibratoStep;
        state.vibratoCounter -= 1;
        if (state.vibratoCounter <= 0) {
            state.vibratoCounter = 3500;
            state.vibratoStep = -state.vibratoStep;
        }
    }
    double frequency = state.sweepOffset + state.baseFrequency + state.vibratoOffset;
    if (frequency < 0.0) frequency = 0.0;
    if (frequency > 20000.0) frequency = 20000.0;
    state.frequency = frequency;
}

void countFrame(Engine& engine, int channel) {
    ChannelState& state = engine.channels[channel];
    if (!state.active) return;
    state.stepSamples = state.stepSamples - 1;
    state.gateSamples = state.gateSamples - 1;
    if (state.gateSamples < 1 && state.tieNext == 0) {
        state.keyOn = 0;
        if (state.instrument == 56) {
            state.frequency = 0.0;
            state.keyOn = 1;
        }
    }
    if (state.stepSamples < 1) engine.stepEvents(channel);
}

} // namespace

void referenceRenderChannel(Engine& engine, int channel, std::int16_t* out,
                            std::int32_t lengthBytes) {
    ChannelState& state = engine.channels[channel];
    for (std::int64_t frame = 0; 4 * frame < lengthBytes; ++frame) {
        const StereoSample raw = voiceSample(engine, state);
        advancePitch(state);
        const double level = envelopeStep(state, state.envelopeRestart);
        state.envelopeRestart = 0;
        const double gain = volumeGains[voiceTableIndex(state.volume)];
        out[2 * frame] = toSample(raw.left * gain * level);
        out[2 * frame + 1] = toSample(raw.right * gain * level);
        countFrame(engine, channel);
    }
}

void referenceMixBlock(Engine& engine, std::int16_t* block, std::int32_t lengthBytes) {
    std::int16_t scratch[BLOCK_SAMPLES] = {};
    std::fill(block, block + BLOCK_SAMPLES, std::int16_t{0});
    const std::int32_t renderBytes = std::min(lengthBytes, std::int32_t{BLOCK_BYTES});
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        referenceRenderChannel(engine, channel, scratch, renderBytes);
        const double gain = engine.channels[channel].mixGain;
        for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
            block[sample] = wrapToSample(block[sample] + toSample(scratch[sample] * gain));
        }
    }
    for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
        block[sample] = toSample(block[sample] * engine.masterGain.load());
    }
}

} // namespace chimora::testing
