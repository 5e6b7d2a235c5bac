// Waiting on an object while still answering messages that other threads send to this thread.
// A host's UI thread usually owns the log window: when it waits inside the library (for a lock,
// for the exchange, for the client program) while a worker logs, the worker's notification must
// still get through, or both threads wait for each other.
#pragma once

#include <windows.h>

namespace win32 {

// Like WaitForSingleObject, but messages sent to this thread's windows are handled while waiting.
// Posted and input messages stay queued for the host's own loop. The thread also looks at its
// queue at least once a second, so the system never judges its windows hung (a thread that has
// not looked for 5 s is) however long the wait lasts.
DWORD WaitAnsweringSentMessages(HANDLE object, DWORD timeoutMs = INFINITE);

}  // namespace win32
