// The local time as "YYYY/MM/DD hh:mm:ss", formatted at most once a second per thread: the
// log call takes it twice per entry, and formatting dominates the cost of a short entry.
#pragma once

#include <string>

namespace logging {

const std::string& CurrentTimeStamp();

}  // namespace logging
