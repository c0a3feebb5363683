// The instrument byte: its high nibble selects the waveform family, its low nibble the variant.
#pragma once

#include <cstdint>

namespace chimora {

// clang-format off
enum WaveFamily : int {
    FAMILY_SHORT_PULSE = 0, // first 1/(variant + 2) of the cycle low
    FAMILY_PULSE = 1,       // first (variant + 1)/16 of the cycle low
    FAMILY_SAWTOOTH = 2,
    FAMILY_TRIANGLE = 3,    // no envelope; variants 8..15 stepped
    FAMILY_LONG_NOISE = 4,
    FAMILY_SHORT_NOISE = 5,
    FAMILY_SILENT = 6,      // and every family above, which only hand-made streams can select
};
// clang-format on

// The stepped triangle whose key stays on, oscillator stopped, when its gate runs out.
constexpr std::uint8_t INSTRUMENT_HELD_TRIANGLE = 56;

constexpr int instrumentFamily(std::uint8_t instrument) { return instrument >> 4; }
constexpr int instrumentVariant(std::uint8_t instrument) { return instrument & 0x0F; }

} // namespace chimora
