// The eight event buffers and the operations that clear them or count running channels.
#include "engine.h"

#include <cstring>

namespace chimora {

void Engine::allocateEventBuffers() {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        std::uint8_t* buffer = eventBuffers[channel];
        // Zero-filled so that no byte of a fresh buffer is left to chance.
        std::memset(buffer, 0, EVENT_BUFFER_BYTES);
        buffer[0] = EV_END;
        channels[channel].events = buffer;
        channels[channel].readPos = 0;
    }
}

void Engine::freeEventBuffers() {
    for (int channel = CHANNEL_COUNT - 1; channel >= 0; --channel) {
        channels[channel].events = nullptr;
    }
}

std::uint8_t Engine::countActiveChannels() const {
    std::uint8_t count = 0;
    for (const ChannelState& state : channels) {
        if (state.active) ++count;
    }
    return count;
}

void Engine::clearChannelEvents(int channel) {
    if (!isChannelNumber(channel)) return;
    channels[channel].events[0] = EV_END;
}

void Engine::clearAllEvents() {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) clearChannelEvents(channel);
}

} // namespace chimora
