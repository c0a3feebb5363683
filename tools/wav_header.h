// The 44-byte header of a RIFF WAVE file of 16-bit stereo PCM at 44,100 frames per second.
#pragma once

#include <array>
#include <cstdint>

namespace chimora {

constexpr std::size_t WAV_HEADER_BYTES = 44;
// Largest data chunk whose RIFF size (data + 36) still fits the 32-bit size fields.
constexpr std::uint32_t WAV_MAX_DATA_BYTES = 0xFFFFFFFFu - 36;

// The header for a data chunk of dataBytes bytes (at most WAV_MAX_DATA_BYTES).
std::array<std::uint8_t, WAV_HEADER_BYTES> wavHeader(std::uint32_t dataBytes);

} // namespace chimora
