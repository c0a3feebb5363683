// Small helpers shared by the engine tests: reading a compiled stream back as events.
#pragma once

#include "engine.h"

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace chimora::testing {

using Event = std::pair<int, int>; // code, argument

// The channel's events from byte 0 up to and including the first code 255, whose argument is
// reported as 0 since no reader looks at it.
inline std::vector<Event> streamOf(const Engine& engine, int channel) {
    std::vector<Event> events;
    const std::uint8_t* buffer = engine.channels[channel].events;
    for (int offset = 0; offset + 1 < EVENT_BUFFER_BYTES; offset += 2) {
        if (buffer[offset] == EV_STREAM_END) {
            events.emplace_back(EV_STREAM_END, 0);
            break;
        }
        events.emplace_back(buffer[offset], buffer[offset + 1]);
    }
    return events;
}

// Writes a hand-made stream of [code, argument] pairs from byte 0.
inline void writeStream(Engine& engine, int channel, std::initializer_list<Event> events) {
    std::uint8_t* buffer = engine.channels[channel].events;
    int offset = 0;
    for (const Event& event : events) {
        buffer[offset++] = static_cast<std::uint8_t>(event.first);
        buffer[offset++] = static_cast<std::uint8_t>(event.second);
    }
}

} // namespace chimora::testing
