#include "shifted_local_time.h"

namespace chimora {
namespace {

constexpr long long MS_PER_DAY = 86400LL * 1000;

} // namespace

ShiftedLocalTime::ShiftedLocalTime(LocalTime start, Elapsed elapsed)
    : elapsed_(std::move(elapsed)),
      startOfDay_(((start.hour * 60LL + start.minute) * 60 + start.second) * 1000),
      startElapsed_(elapsed_()) {}

LocalTime ShiftedLocalTime::readLocalTime() {
    const long long passedMs = (elapsed_() - startElapsed_).count();
    const long long secondOfDay = (startOfDay_.count() + passedMs) % MS_PER_DAY / 1000;
    return {static_cast<std::uint16_t>(secondOfDay / 3600),
            static_cast<std::uint16_t>(secondOfDay / 60 % 60),
            static_cast<std::uint16_t>(secondOfDay % 60)};
}

ShiftedLocalTime::Elapsed ShiftedLocalTime::steadyElapsed() {
    return [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
}

} // namespace chimora
