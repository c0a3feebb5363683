// A clock that starts at a chosen time of day and runs in real time from there, so that a user
// can hear the signals at once ("--at 13:59:25" plays the melody five seconds later).
#pragma once

#include "local_time_source.h"

#include <chrono>
#include <functional>

namespace chimora {

class ShiftedLocalTime final : public LocalTimeSource {
public:
    using Elapsed = std::function<std::chrono::milliseconds()>;

    // `elapsed` tells the time passed since some fixed start, growing steadily; by default the
    // steady clock's. The first reading is taken here and shows as `start`.
    explicit ShiftedLocalTime(LocalTime start, Elapsed elapsed = steadyElapsed());

    // The start time plus the real time passed since construction, wrapping at midnight.
    LocalTime readLocalTime() override;

private:
    static Elapsed steadyElapsed();

    Elapsed elapsed_;
    std::chrono::milliseconds startOfDay_;
    std::chrono::milliseconds startElapsed_;
};

} // namespace chimora
