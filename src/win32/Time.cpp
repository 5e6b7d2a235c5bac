#include "win32/Time.h"

#include <time.h>

namespace win32 {

Seconds Now() { return _time64(nullptr); }

std::string FormatLocalTime(Seconds t, const char* format) {
    __time64_t value = t;
    struct tm local {};
    if (_localtime64_s(&local, &value) != 0) return std::string();
    char text[64];
    size_t length = strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

bool ToLocalDate(Seconds t, LocalDate& date) {
    __time64_t value = t;
    struct tm local {};
    if (_localtime64_s(&local, &value) != 0) return false;
    date = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
    return true;
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
