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

}  // namespace win32
