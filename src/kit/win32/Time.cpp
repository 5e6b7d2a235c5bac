#include "win32/Time.h"

#include <windows.h>
#include <time.h>

namespace win32 {

// The system clock read directly: under some runtimes _time64 asks for the time zone on every
// call, which made it the costliest part of a log entry.
Seconds Now() {
    const int64_t kTicksPerSecond = 10000000;
    const int64_t kEpochTicks = 116444736000000000;  // 1601-01-01 to 1970-01-01 in 100 ns
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    int64_t ticks = static_cast<int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return (ticks - kEpochTicks) / kTicksPerSecond;
}

std::string FormatLocalTime(Seconds t, const char* format) {
    __time64_t value = t;
    struct tm local {};
    if (_localtime64_s(&local, &value) != 0) return std::string();
    char text[64];
    size_t length = strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

bool FromLocalDate(const LocalDate& date, Seconds& t) {
    struct tm local {};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_hour = date.hour;
    local.tm_min = date.minute;
    local.tm_sec = date.second;
    local.tm_isdst = -1;
    __time64_t value = _mktime64(&local);
    if (value == -1) return false;
    t = value;
    return true;
}

}  // namespace win32
