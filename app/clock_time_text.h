// A time of day written as "HH:MM:SS", as the command line takes it.
#pragma once

#include "local_time_source.h"

#include <optional>
#include <string_view>

namespace chimora {

// Two digits each, hour 00..23, minute and second 00..59; anything else gives nothing.
std::optional<LocalTime> parseClockTime(std::string_view text);

} // namespace chimora
