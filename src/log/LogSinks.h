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
// bounded time only. Entries logged by this thread's own handlers during the send follow the
// record in flight. A record that the block cannot take within its bound is not sent.
void NotifyLogWindow(HWND window, const LOG_RECORD& record);

// True while this thread holds the log window's hand-off (its handlers run inside the send).
bool IsHandingOffOnThisThread();

}  // namespace logging
