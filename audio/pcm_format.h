// The one PCM format the sound path uses: 44,100 frames per second, 2 channels, signed 16-bit
// little-endian samples, left first. The field names follow the wave format header they fill.
#pragma once

#include <cstdint>

namespace chimora {

struct PcmFormat {
    std::uint16_t formatTag = 1; // integer PCM
    std::uint16_t channels = 2;
    std::uint32_t samplesPerSecond = 44100;
    std::uint32_t averageBytesPerSecond = 176400;
    std::uint16_t blockAlignBytes = 4;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraBytes = 0;
};

} // namespace chimora
