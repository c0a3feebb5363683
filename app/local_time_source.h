// The local wall-clock time as the scheduler sees it: hour, minute and second only.
#pragma once

#include <cstdint>

namespace chimora {

struct LocalTime {
    std::uint16_t hour = 0;   // 0..23
    std::uint16_t minute = 0; // 0..59
    std::uint16_t second = 0; // 0..59
};

// Reads the local time; each platform has one, tests use a virtual clock. Window thread only.
class LocalTimeSource {
public:
    virtual ~LocalTimeSource() = default;
    virtual LocalTime readLocalTime() = 0;
};

} // namespace chimora
