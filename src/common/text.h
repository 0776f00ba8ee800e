// Small text and calendar helpers shared by the windows' handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvell {

// Local calendar time as the system clock reports it.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "2004年3月16日21时5分7秒": no leading zeros, nothing between the parts.
std::string timeText(const LocalTime& t);

// Days of a month with the plain divisible-by-4 leap rule (2100 is leap).
// Months outside 1..12 count as 31 days so that no day is clamped for them.
int daysInMonth(int month, int year);

// Decimal text to a 16-bit signed number: optional surrounding spaces and
// sign, digits only. Anything else, or a value outside the 16-bit range,
// gives nothing.
std::optional<int16_t> toInt16(std::string_view s);

// The text without its last code point (UTF-8); empty stays empty.
std::string dropLastChar(std::string_view s);

// Every '"' removed, then leading and trailing spaces.
std::string normaliseInput(std::string_view s);

}  // namespace corvell
