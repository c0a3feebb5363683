// Builds the canonical RIFF/fmt/data header, every field little-endian.
#include "wav_header.h"

#include "engine.h"

#include <cstring>

namespace chimora {

namespace {

constexpr std::uint16_t PCM_FORMAT = 1;
constexpr std::uint16_t CHANNELS = 2;
constexpr std::uint16_t BITS_PER_SAMPLE = 16;
constexpr std::uint16_t FRAME_BYTES = CHANNELS * BITS_PER_SAMPLE / 8;

class HeaderWriter {
public:
    explicit HeaderWriter(std::uint8_t* out) : out_(out) {}
    void tag(const char (&fourCharacters)[5]) {
        std::memcpy(out_, fourCharacters, 4);
        out_ += 4;
    }
    void u16(std::uint16_t value) {
        *out_++ = static_cast<std::uint8_t>(value & 0xFF);
        *out_++ = static_cast<std::uint8_t>(value >> 8);
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value & 0xFFFF));
        u16(static_cast<std::uint16_t>(value >> 16));
    }

private:
    std::uint8_t* out_;
};

} // namespace

std::array<std::uint8_t, WAV_HEADER_BYTES> wavHeader(std::uint32_t dataBytes) {
    std::array<std::uint8_t, WAV_HEADER_BYTES> header{};
    HeaderWriter writer(header.data());
    writer.tag("RIFF");
    writer.u32(dataBytes + 36); // everything after this field
    writer.tag("WAVE");
    writer.tag("fmt ");
    writer.u32(16);
    writer.u16(PCM_FORMAT);
    writer.u16(CHANNELS);
    writer.u32(SAMPLE_RATE);
    writer.u32(SAMPLE_RATE * FRAME_BYTES); // bytes per second
    writer.u16(FRAME_BYTES);
    writer.u16(BITS_PER_SAMPLE);
    writer.tag("data");
    writer.u32(dataBytes);
    return header;
}

} // namespace chimora
