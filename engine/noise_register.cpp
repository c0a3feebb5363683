// The one 15-bit shift register that every noise channel steps.
#include "engine.h"

namespace chimora {

namespace {

constexpr std::uint16_t NOISE_REGISTER_START = 0x4000;
constexpr std::uint16_t NOISE_TOP_BIT = 0x4000; // bit 14, where the feedback enters

} // namespace

std::uint8_t Engine::noiseShift(std::uint8_t mode) {
    // A change between long and short sequences starts the register afresh.
    if (mode != lastNoiseMode) noiseRegister = NOISE_REGISTER_START;
    lastNoiseMode = mode;
    const int tapShift = mode != 0 ? 6 : 1;
    const auto feedback =
        static_cast<std::uint8_t>((noiseRegister ^ (noiseRegister >> tapShift)) & 1);
    noiseRegister = static_cast<std::uint16_t>(noiseRegister >> 1);
    if (feedback) noiseRegister = static_cast<std::uint16_t>(noiseRegister | NOISE_TOP_BIT);
    return feedback;
}

} // namespace chimora
