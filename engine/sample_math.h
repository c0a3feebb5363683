// Conversion of synthesis values to 16-bit samples: truncate toward zero, keep the low 16 bits
// of the integer. Values beyond -32768..32767 wrap around like the chip arithmetic; nothing clips.
#pragma once

#include <cmath>
#include <cstdint>

namespace chimora {

// Low 16 bits of an integer as a signed sample (two's complement wrap-around).
constexpr std::int16_t wrapToSample(std::int64_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(value)));
}

// trunc(value) with its low 16 bits kept. Defined for every double: huge values are reduced
// exactly with fmod, and a value that is not a number (or infinite) gives silence, 0.
inline std::int16_t toSample(double value) {
    if (value > -2147483648.0 && value < 2147483648.0) {
        return wrapToSample(static_cast<std::int32_t>(value));
    }
    if (!std::isfinite(value)) return 0;
    return wrapToSample(static_cast<std::int64_t>(std::fmod(std::trunc(value), 65536.0)));
}

} // namespace chimora
