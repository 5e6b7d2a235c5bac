// Time as signed 64-bit seconds since 1970-01-01 UTC, shown in the local time zone.
#pragma once

#include <cstdint>
#include <string>

namespace win32 {

using Seconds = int64_t;

Seconds Now();

// Local calendar time of `t` formatted with strftime; "" when it cannot be converted.
std::string FormatLocalTime(Seconds t, const char* format);

// The usual display form, "2024/01/31 09:05:07".
inline std::string LocalTimeText(Seconds t) {
    return FormatLocalTime(t, "%Y/%m/%d %H:%M:%S");
}

struct LocalDate {
    int year, month, day, hour, minute, second;
};

// Seconds of a local calendar time, daylight saving decided by the platform; false when the
// conversion fails.
bool FromLocalDate(const LocalDate& date, Seconds& t);

}  // namespace win32
