// Local time on Linux: the C++ system clock broken down with localtime_r.
#include "system_services.h"

#include <chrono>
#include <ctime>

namespace chimora {

LocalTime SystemLocalTime::readLocalTime() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm fields{};
    ::localtime_r(&now, &fields);
    LocalTime time;
    time.hour = static_cast<std::uint16_t>(fields.tm_hour);
    time.minute = static_cast<std::uint16_t>(fields.tm_min);
    // A leap second (60) is shown and scheduled as 59.
    time.second = static_cast<std::uint16_t>(fields.tm_sec > 59 ? 59 : fields.tm_sec);
    return time;
}

} // namespace chimora
