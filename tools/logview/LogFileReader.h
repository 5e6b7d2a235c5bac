// Reads a log file that the library wrote (Shift_JIS lines "time\tkind\t\"<indent>message\"")
// or one the viewer saved or kept (UTF-8 rows, see RecordText.h) back into records, so an opened
// file shows as the live view showed the same entries. The file streams through a buffer of
// fixed size: its size sets no memory bound, the store's bounds do.
#pragma once

#include <functional>
#include <string>

#include "RecordStore.h"

namespace logview {

enum class LogFileResult { kRead, kCannotRead, kNoLogLine, kOutOfMemory };

// Adds every log line of the file at `path` to `store`, which keeps the newest its bounds allow.
// The file may be being written by a host meanwhile. `betweenReads` runs after each read.
LogFileResult ReadLogFile(
    const std::wstring& path, RecordStore& store,
    const std::function<void()>& betweenReads = [] {});

}  // namespace logview
