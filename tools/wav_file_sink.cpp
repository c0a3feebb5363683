// The WAV file sink: the header goes first with an empty data chunk, and its two sizes are
// written once the last block is in, since a song's length is known only at its end.
#include "wav_file_sink.h"

#include "pcm_bytes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace chimora {

namespace {

bool writesThroughTemporary(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return status.type() == std::filesystem::file_type::not_found ||
           status.type() == std::filesystem::file_type::regular;
}

} // namespace

WavFileSink::WavFileSink(const std::string& path)
    : path_(path), writePath_(writesThroughTemporary(path) ? path + ".part" : path) {
    file_ = std::fopen(writePath_.c_str(), "wb");
    if (file_ == nullptr) {
        fail("cannot create");
        return;
    }
    const auto header = wavHeader(0);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        fail("cannot write");
        std::fclose(file_);
        file_ = nullptr;
        discardTemporary();
    }
}

WavFileSink::~WavFileSink() {
    // Still open here means the render did not finish: drop what was written.
    if (file_ == nullptr) return;
    std::fclose(file_);
    discardTemporary();
}

void WavFileSink::discardTemporary() {
    if (writePath_ != path_) std::remove(writePath_.c_str());
}

bool WavFileSink::writeBlock(const std::int16_t* samples) {
    if (file_ == nullptr) return false;
    if (dataBytes_ > WAV_MAX_DATA_BYTES - BLOCK_BYTES) {
        failure_ = path_ + ": a WAV file holds at most " + std::to_string(WAV_MAX_BLOCKS) +
                   " blocks; use -o - for longer output";
        return false;
    }
    encodeLittleEndian(samples, BLOCK_SAMPLES, blockBytes_);
    if (std::fwrite(blockBytes_, 1, BLOCK_BYTES, file_) != BLOCK_BYTES) return fail("cannot write");
    dataBytes_ += BLOCK_BYTES;
    return true;
}

bool WavFileSink::finish() {
    if (file_ == nullptr) return false;
    const auto header = wavHeader(dataBytes_);
    const bool written = std::fseek(file_, 0, SEEK_SET) == 0 &&
                         std::fwrite(header.data(), 1, header.size(), file_) == header.size();
    if (!written) fail("cannot complete the header of");
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (written && !closed) fail("cannot write");
    if (!written || !closed) {
        discardTemporary();
        return false;
    }
    if (writePath_ != path_) {
        // std::rename cannot replace an existing file on Windows; std::filesystem::rename can.
        std::error_code error;
        std::filesystem::rename(writePath_, path_, error);
        if (error) {
            failure_ = "cannot replace '" + path_ + "': " + error.message();
            discardTemporary();
            return false;
        }
    }
    return true;
}

bool WavFileSink::fail(const char* action) {
    failure_ = std::string(action) + " '" + path_ + "': " + std::strerror(errno);
    return false;
}

} // namespace chimora
