// The WAV file sink: the header goes first with an empty data chunk, and its two sizes are
// written once the last block is in, since a song's length is known only at its end.
#include "wav_file_sink.h"

#include "pcm_bytes.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace chimora {

WavFileSink::WavFileSink(const std::string& path) : path_(path), file_(path) {
    if (!file_.isOpen()) {
        failure_ = file_.failure();
        return;
    }
    const auto header = wavHeader(0);
    if (!writeAt(header.data(), header.size(), 0)) fail("cannot write");
}

WavFileSink::~WavFileSink() = default;

bool WavFileSink::writeAt(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset) {
    const int fd = file_.descriptor();
    if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
    std::size_t written = 0;
    while (written < count) {
        const auto result = ::write(fd, bytes + written, static_cast<unsigned>(count - written));
        if (result < 0 && errno == EINTR) continue;
        if (result <= 0) return false;
        written += static_cast<std::size_t>(result);
    }
    return true;
}

bool WavFileSink::writeBlock(const std::int16_t* samples, int frames) {
    if (!failure_.empty() || !file_.isOpen()) return false;
    const auto bytes = static_cast<std::uint32_t>(4 * frames);
    if (dataBytes_ > WAV_MAX_DATA_BYTES - bytes) {
        failure_ = path_ + ": a WAV file holds at most " + std::to_string(WAV_MAX_FRAMES) +
                   " frames; use .flac, or -o - for longer output";
        return false;
    }
    encodeLittleEndian(samples, 2 * static_cast<std::size_t>(frames), blockBytes_);
    if (!writeAt(blockBytes_, bytes, WAV_HEADER_BYTES + std::uint64_t{dataBytes_})) {
        return fail("cannot write");
    }
    dataBytes_ += bytes;
    return true;
}

bool WavFileSink::finish() {
    if (!failure_.empty() || !file_.isOpen()) return false;
    const auto header = wavHeader(dataBytes_);
    if (!writeAt(header.data(), header.size(), 0)) return fail("cannot complete the header of");
    if (!file_.commit()) {
        failure_ = file_.failure();
        return false;
    }
    return true;
}

bool WavFileSink::fail(const char* action) {
    failure_ = std::string(action) + " '" + path_ + "': " + std::strerror(errno);
    return false;
}

} // namespace chimora
