// Event buffers as decimal code,argument pairs.
#include "event_listing.h"

namespace chimora {

void writeEventListing(const Engine& engine, std::ostream& out) {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const std::uint8_t* events = engine.eventBuffers[channel];
        out << channel << ':';
        for (int offset = 0; offset + 1 < EVENT_BUFFER_BYTES; offset += 2) {
            out << ' ' << int{events[offset]} << ',' << int{events[offset + 1]};
            if (events[offset] == EV_STREAM_END) break;
        }
        out << '\n';
    }
}

} // namespace chimora
