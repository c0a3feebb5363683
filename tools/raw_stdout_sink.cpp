// The raw sample sink on standard output.
#include "raw_stdout_sink.h"

#include "file_calls.h"
#include "pcm_bytes.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace chimora {

RawStdoutSink::RawStdoutSink() { useBinaryMode(STDOUT_FILENO); }

bool RawStdoutSink::writeBlock(const std::int16_t* samples, int frames) {
    const auto bytes = 4 * static_cast<std::size_t>(frames);
    encodeLittleEndian(samples, 2 * static_cast<std::size_t>(frames), blockBytes_);
    if (std::fwrite(blockBytes_, 1, bytes, stdout) != bytes) return fail();
    return true;
}

bool RawStdoutSink::finish() {
    if (std::fflush(stdout) != 0) return fail();
    return true;
}

bool RawStdoutSink::fail() {
    failure_ = std::string("cannot write to standard output: ") + std::strerror(errno);
    return false;
}

} // namespace chimora
