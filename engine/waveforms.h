// Raw waveform values of the oscillator families at a phase of 0 <= phase < 44100 phase units
// (one cycle). Pure functions of the phase, called by the voice generator once per frame.
#pragma once

#include <cstdint>

namespace chimora {

constexpr double PHASE_CYCLE = 44100.0;
constexpr std::int16_t PULSE_LEVEL = 6363; // the level every waveform is built around

// Phase up to which a pulse of family 0 or 1 with this variant is low (that phase included).
std::int32_t pulseLowPhases(int family, int variant);
// -6363 while phase <= lowPhases, +6363 for the rest of the cycle.
std::int16_t pulseValue(double phase, std::int32_t lowPhases);
// Falls from +12726 at phase 0 through 0 at half cycle toward -12726.
std::int16_t sawtoothValue(double phase);
// 0 at phase 0, -8971 at 11025, +8971 at 33075. A stepped triangle holds each level for 1378
// phase units.
std::int16_t triangleValue(double phase, bool stepped);

} // namespace chimora
