// Where a finished record goes.
#pragma once

#include <windows.h>

#include "pelmora.h"

namespace logging {

// Appends one line "time\tkind\t\"  ...message\"\n" to the host's file with one write call,
// after moving to the end so text the host wrote in between stays in place. Lines of threads
// that log at once never interleave. Failures are ignored: the entry is lost for this sink only.
void WriteLogFile(HANDLE file, const LOG_RECORD& record);

// Places the record in the shared log block and sends the window WM_APP + 100. Records are
// handed over one at a time per process, so another thread's record cannot overwrite the block
// before the window has read it; a window that does not answer holds a thread back for a
// bounded time only. Threads take their turns in the order they came, each waiting a bounded
// time. Entries logged by this thread's own handlers while it waits or sends follow its record.
// A record that the block cannot take, or whose turn did not come, within its bound is not sent
// (the drops are counted in a later entry).
void NotifyLogWindow(HWND window, const LOG_RECORD& record);

// True while this thread holds the log window's hand-off (its handlers run inside the send).
bool IsHandingOffOnThisThread();

}  // namespace logging
