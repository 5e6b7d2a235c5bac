#include "log/TimeStamp.h"

#include "win32/Time.h"

namespace logging {

const std::string& CurrentTimeStamp() {
    thread_local win32::Seconds cachedSecond = -1;
    thread_local std::string cachedText;
    win32::Seconds now = win32::Now();
    if (now != cachedSecond) {
        cachedText = win32::LocalTimeText(now);
        // A failed conversion gives "" and is retried with the next entry.
        cachedSecond = cachedText.empty() ? -1 : now;
    }
    return cachedText;
}

}  // namespace logging
