// Samples as the little-endian bytes that WAV files and raw PCM streams hold.
#pragma once

#include <cstddef>
#include <cstdint>

namespace chimora {

// Writes sampleCount signed 16-bit samples to out (2 bytes each, low byte first).
inline void encodeLittleEndian(const std::int16_t* samples, std::size_t sampleCount,
                               std::uint8_t* out) {
    for (std::size_t i = 0; i < sampleCount; ++i) {
        const auto bits = static_cast<std::uint16_t>(samples[i]);
        out[2 * i] = static_cast<std::uint8_t>(bits & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>(bits >> 8);
    }
}

} // namespace chimora
