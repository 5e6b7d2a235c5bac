// Starting a program and awaiting its exit code.
#pragma once

#include <windows.h>

#include <string>

#include "win32/Handle.h"

namespace win32 {

// Starts `program` (or, when empty, the program the command line names) with `commandLine`
// (quote the program's path in it), inheriting no handles,
// with the caller's environment and current folder. The process handle; none when it could not
// be started (GetLastError tells why).
KernelHandle StartProcess(const std::wstring& program, const std::wstring& commandLine);

// Waits for the process to end, without a time limit: its exit code. With
// `answerSentMessages`, messages sent to the waiting thread's windows are handled meanwhile.
// -1 (0xFFFFFFFF) when the code cannot be read.
DWORD AwaitExitCode(HANDLE process, bool answerSentMessages = false);

// How a bounded wait for a process came out.
struct ProcessEnd {
    bool endedItself = false;  // false: still running at the limit, and ended by the waiter
    DWORD exitCode = 0;        // when it ended itself; -1 (0xFFFFFFFF) when unreadable
};

// Waits at most `limitMs` for the process to end, as AwaitExitCode does. One still running then is
// ended (its exit code becomes `endedCode`) and waited for a little longer, so that the files it
// held are closed when this returns.
ProcessEnd AwaitExitWithin(HANDLE process, DWORD limitMs, bool answerSentMessages, UINT endedCode);

}  // namespace win32
