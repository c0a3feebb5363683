// A sink that writes a RIFF WAVE file: 16-bit stereo PCM at 44,100 frames per second.
#pragma once

#include "block_sink.h"
#include "engine.h"
#include "wav_header.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace chimora {

// The most blocks one WAV file can hold (its sizes are 32-bit fields).
constexpr std::uint64_t WAV_MAX_BLOCKS = WAV_MAX_DATA_BYTES / BLOCK_BYTES;

// A regular file (or a new one) is written under a temporary name beside it and renamed into
// place by finish(), so that a render that fails half-way leaves no broken file behind and an
// existing file untouched. Anything else (a device, a pipe) is written to directly.
class WavFileSink final : public BlockSink {
public:
    // Opens the output and writes the header; check isOpen() afterwards.
    explicit WavFileSink(const std::string& path);
    ~WavFileSink() override;
    WavFileSink(const WavFileSink&) = delete;
    WavFileSink& operator=(const WavFileSink&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    bool writeBlock(const std::int16_t* samples) override;
    // Fills in the header's sizes and closes the file.
    bool finish() override;
    std::string failure() const override { return failure_; }

private:
    bool fail(const char* action);
    void discardTemporary();

    std::string path_;
    std::string writePath_; // path_, or the temporary name beside it
    std::FILE* file_ = nullptr;
    std::uint32_t dataBytes_ = 0;
    std::string failure_;
    std::uint8_t blockBytes_[BLOCK_BYTES];
};

} // namespace chimora
