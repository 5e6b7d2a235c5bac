// The line a host's log file holds for one entry, "time TAB kind TAB \"<two spaces per indent
// level>message\"" and LF, in the host's code page: written here, and read back here by the log
// viewer and by tests, so that the writer and its readers cannot drift apart.
#pragma once

#include <cstddef>
#include <string>

#include "pelmora.h"

namespace logging {

// Makes `line` the file line for `record`, at the record's own time, LF included.
void FormatLogLine(std::string& line, const LOG_RECORD& record);

// Fills `record` from one line without its LF: time, kind, indent and message, and the flag an
// error entry carries (function, source and line are not in the file). False when the line is
// not of the writer's form; any time text without a TAB is taken.
bool ParseLogLine(const char* line, size_t length, LOG_RECORD& record);

}  // namespace logging
