// A sink that writes FLAC (lossless) or Ogg Vorbis (lossy) through libsndfile: 16-bit stereo
// at 44,100 frames per second. Only in builds that have libsndfile (CHIMORA_HAVE_SNDFILE).
#pragma once

#include "block_sink.h"
#include "output_file.h"
#include "output_format.h"

#include <sndfile.h>

#include <string>

namespace chimora {

// The file is an OutputFile: written under a temporary name and put in place by finish(); a
// sink destroyed before finish() (a failure, Ctrl-C) leaves no file behind.
class SndfileSink final : public BlockSink {
public:
    // Opens the output for Flac or Ogg; check isOpen() afterwards.
    SndfileSink(const std::string& path, OutputFormat format);
    ~SndfileSink() override;
    SndfileSink(const SndfileSink&) = delete;
    SndfileSink& operator=(const SndfileSink&) = delete;

    bool isOpen() const { return sound_ != nullptr; }
    bool writeBlock(const std::int16_t* samples, int frames) override;
    // Completes the stream and puts the file in place.
    bool finish() override;
    std::string failure() const override { return failure_; }

private:
    bool fail(const std::string& action);

    std::string path_;
    OutputFile file_;
    SNDFILE* sound_ = nullptr;
    std::string failure_;
};

} // namespace chimora
