// Reads a log file that the library wrote (Shift_JIS lines "time\tkind\t\"<indent>message\"")
// back into records, so an opened file shows as the live view showed the same entries.
#pragma once

#include <string>

#include "pelmora.h"

namespace logview {

// One line without its line end; false when it is not a line of the library's form.
bool ParseLogFileLine(const std::string& line, LOG_RECORD& record);

}  // namespace logview
