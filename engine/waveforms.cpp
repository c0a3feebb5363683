// The pulse, sawtooth and triangle shapes of the oscillator.
#include "waveforms.h"

#include "instrument.h"
#include "sample_math.h"

namespace chimora {

namespace {

constexpr std::int32_t CYCLE_PHASES = 44100;
constexpr double HALF_CYCLE = 22050.0;
constexpr double QUARTER_CYCLE = 11025.0;
constexpr double SAWTOOTH_SLOPE = 0.2885714285714286; // 6363 / 22050 per phase unit
constexpr double TRIANGLE_SLOPE = 0.5771428571428572; // 6363 / 11025 per phase unit
constexpr double TRIANGLE_GAIN = 1.41;
constexpr std::int32_t TRIANGLE_STEP_PHASES = 1378;

} // namespace

std::int32_t pulseLowPhases(int family, int variant) {
    if (family == FAMILY_SHORT_PULSE) return CYCLE_PHASES / (variant + 2);
    return ((variant + 1) * CYCLE_PHASES) / 16;
}

std::int16_t pulseValue(double phase, std::int32_t lowPhases) {
    return phase <= lowPhases ? static_cast<std::int16_t>(-PULSE_LEVEL) : PULSE_LEVEL;
}

std::int16_t sawtoothValue(double phase) {
    return toSample(2 * (PULSE_LEVEL - phase * SAWTOOTH_SLOPE));
}

std::int16_t triangleValue(double phase, bool stepped) {
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
