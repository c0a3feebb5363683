// Fuzz target: any bytes compiled as MML into every channel. The stream must stay inside its
// buffer and be terminated at an even offset no later than the compiler's limit.
#include "engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// The terminator stands at 2042 at the latest, or 2044 after a tempo and its fraction.
constexpr int LAST_TERMINATOR_OFFSET = 2044;

void requireTerminated(const chimora::Engine& engine, int channel) {
    const std::uint8_t* events = engine.channels[channel].events;
    for (int offset = 0; offset <= LAST_TERMINATOR_OFFSET; offset += 2) {
        if (events[offset] == chimora::EV_STREAM_END || events[offset] == chimora::EV_END) return;
    }
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The compiler reads a NUL-terminated text: a NUL inside the input ends it there.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto owner = std::make_unique<chimora::Engine>();
    chimora::Engine& engine = *owner;
    for (int channel = 0; channel < chimora::CHANNEL_COUNT; ++channel) {
        engine.compileChannel(channel, text.c_str());
        requireTerminated(engine, channel);
    }
    engine.compileChannel(chimora::CHANNEL_COUNT, text.c_str()); // refused: writes nothing
    return 0;
}
