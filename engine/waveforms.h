// Raw waveform values of the oscillator families at a phase of 0 <= phase < 44100 phase units
// (one cycle). Pure functions of the phase, called by the voice generator once per frame.
#pragma once

#include "instrument.h"
#include "sample_math.h"

#include <cstdint>

namespace chimora {

constexpr double PHASE_CYCLE = 44100.0;
constexpr std::int16_t PULSE_LEVEL = 6363; // the level every waveform is built around

// Defined here so that the voice's frame loop inlines them.
namespace waveform_constants {
constexpr std::int32_t CYCLE_PHASES = 44100;
constexpr double HALF_CYCLE = 22050.0;
constexpr double QUARTER_CYCLE = 11025.0;
constexpr double SAWTOOTH_SLOPE = 0.2885714285714286; // 6363 / 22050 per phase unit
constexpr double TRIANGLE_SLOPE = 0.5771428571428572; // 6363 / 11025 per phase unit
constexpr double TRIANGLE_GAIN = 1.41;
constexpr std::int32_t TRIANGLE_STEP_PHASES = 1378;
} // namespace waveform_constants

// Phase up to which a pulse of family 0 or 1 with this variant is low (that phase included).
inline std::int32_t pulseLowPhases(int family, int variant) {
    using namespace waveform_constants;
    if (family == FAMILY_SHORT_PULSE) return CYCLE_PHASES / (variant + 2);
    return ((variant + 1) * CYCLE_PHASES) / 16;
}

// -6363 while phase <= lowPhases, +6363 for the rest of the cycle.
inline std::int16_t pulseValue(double phase, std::int32_t lowPhases) {
    return phase <= lowPhases ? static_cast<std::int16_t>(-PULSE_LEVEL) : PULSE_LEVEL;
}

// Falls from +12726 at phase 0 through 0 at half cycle toward -12726.
inline std::int16_t sawtoothValue(double phase) {
    using namespace waveform_constants;
    return toSample(2 * (PULSE_LEVEL - phase * SAWTOOTH_SLOPE));
}

// 0 at phase 0, -8971 at 11025, +8971 at 33075. A stepped triangle holds each level for 1378
// phase units.
inline std::int16_t triangleValue(double phase, bool stepped) {
    using namespace waveform_constants;
    double position = phase;
    if (stepped) {
        const auto wholePhase = static_cast<std::int32_t>(phase);
        position = TRIANGLE_STEP_PHASES * (wholePhase / TRIANGLE_STEP_PHASES);
    }
    // A quarter cycle ahead, so that the wave starts at 0 on its way down.
    double shifted = position + QUARTER_CYCLE;
    if (shifted > PHASE_CYCLE) shifted = shifted - PHASE_CYCLE;
    double level;
    if (shifted < HALF_CYCLE) {
        level = PULSE_LEVEL - shifted * TRIANGLE_SLOPE;
    } else {
        level = -(PULSE_LEVEL - (shifted - HALF_CYCLE) * TRIANGLE_SLOPE);
    }
    return toSample(level * TRIANGLE_GAIN);
}

} // namespace chimora
