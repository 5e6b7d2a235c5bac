#include "log/TimeStamp.h"

#include <cstring>
#include <string>

#include "win32/Time.h"

namespace logging {

const char* CurrentTimeStamp() {
    // Plain arrays: a thread-local with a destructor would keep the library loaded until every
    // thread that logged has ended.
    thread_local win32::Seconds cachedSecond = -1;
    thread_local char cachedText[32];
    win32::Seconds now = win32::Now();
    if (now != cachedSecond) {
        const std::string text = win32::LocalTimeText(now);
        const size_t length = text.size() < sizeof cachedText ? text.size() : 0;
        std::memcpy(cachedText, text.data(), length);
        cachedText[length] = '\0';
        // A failed conversion gives "" and is retried with the next entry.
        cachedSecond = length == 0 ? -1 : now;
    }
    return cachedText;
}

}  // namespace logging
