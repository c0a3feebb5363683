// A sink that writes a RIFF WAVE file: 16-bit stereo PCM at 44,100 frames per second.
#pragma once

#include "block_sink.h"
#include "engine.h"
#include "output_file.h"
#include "wav_header.h"

#include <cstdint>
#include <string>

namespace chimora {

// The most frames one WAV file can hold (its sizes are 32-bit fields).
constexpr std::uint64_t WAV_MAX_FRAMES = WAV_MAX_DATA_BYTES / 4;

// The file is an OutputFile: written under a temporary name and put in place by finish().
class WavFileSink final : public BlockSink {
public:
    // Opens the output and writes the header; check isOpen() afterwards.
    explicit WavFileSink(const std::string& path);
    ~WavFileSink() override;
    WavFileSink(const WavFileSink&) = delete;
    WavFileSink& operator=(const WavFileSink&) = delete;

    bool isOpen() const { return file_.isOpen(); }
    bool writeBlock(const std::int16_t* samples, int frames) override;
    // Fills in the header's sizes and puts the file in place.
    bool finish() override;
    std::string failure() const override { return failure_; }

private:
    bool writeAt(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset);
    bool fail(const char* action);

    std::string path_;
    OutputFile file_;
    std::uint32_t dataBytes_ = 0;
    std::string failure_;
    std::uint8_t blockBytes_[BLOCK_BYTES];
};

} // namespace chimora
