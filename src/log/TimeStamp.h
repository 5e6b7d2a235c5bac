// The local time as "YYYY/MM/DD hh:mm:ss", formatted at most once a second per thread: the
// log call takes it for every entry, and formatting dominates the cost of a short entry.
#pragma once

namespace logging {

// The text stays valid on this thread until its next call; "" when the time cannot be converted.
const char* CurrentTimeStamp();

}  // namespace logging
