#include "clock_time_text.h"

namespace chimora {
namespace {

// The two digits at `at` as a number no larger than `largest`, or -1.
int twoDigitField(std::string_view text, std::size_t at, int largest) {
    const char tens = text[at];
    const char ones = text[at + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return -1;
    const int value = (tens - '0') * 10 + (ones - '0');
    return value <= largest ? value : -1;
}

} // namespace

std::optional<LocalTime> parseClockTime(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    const int hour = twoDigitField(text, 0, 23);
    const int minute = twoDigitField(text, 3, 59);
    const int second = twoDigitField(text, 6, 59);
    if (hour < 0 || minute < 0 || second < 0) return std::nullopt;
    return LocalTime{static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute),
                     static_cast<std::uint16_t>(second)};
}

} // namespace chimora
