// A sink that writes the bare samples to standard output: interleaved signed 16-bit
// little-endian, left first, no header. For piping into other tools.
#pragma once

#include "block_sink.h"
#include "engine.h"

namespace chimora {

class RawStdoutSink final : public BlockSink {
public:
    // Switches standard output to binary where the C library translates line ends (Windows),
    // since a sample byte 0x0A must not become 0x0D 0x0A.
    RawStdoutSink();
    bool writeBlock(const std::int16_t* samples, int frames) override;
    // Flushes standard output.
    bool finish() override;
    std::string failure() const override { return failure_; }

private:
    bool fail();

    std::string failure_;
    std::uint8_t blockBytes_[BLOCK_BYTES];
};

} // namespace chimora
