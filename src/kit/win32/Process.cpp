#include "win32/Process.h"

#include "win32/MessageWait.h"
#include "win32/PlatformCalls.h"

namespace win32 {

KernelHandle StartProcess(const std::wstring& program, const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;  // the call may write into it
    if (!Platform().createProcess(program.empty() ? nullptr : program.c_str(), &line[0], nullptr,
                                  nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return KernelHandle();
    KernelHandle thread(started.hThread);
    return KernelHandle(started.hProcess);
}

namespace {
// Ending a process is asynchronous; its handles close once it has gone, moments later.
constexpr DWORD kEndingMs = 10 * 1000;

DWORD Wait(HANDLE process, DWORD limitMs, bool answerSentMessages) {
    return answerSentMessages ? WaitAnsweringSentMessages(process, limitMs)
                              : WaitForSingleObject(process, limitMs);
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD exitCode = 0;
    return Platform().getExitCodeProcess(process, &exitCode) ? exitCode : static_cast<DWORD>(-1);
}
}  // namespace

DWORD AwaitExitCode(HANDLE process, bool answerSentMessages) {
    Wait(process, INFINITE, answerSentMessages);
    return ExitCodeOf(process);
}

ProcessEnd AwaitExitWithin(HANDLE process, DWORD limitMs, bool answerSentMessages, UINT endedCode) {
    if (Wait(process, limitMs, answerSentMessages) != WAIT_TIMEOUT)
        return ProcessEnd{true, ExitCodeOf(process)};
    TerminateProcess(process, endedCode);
    Wait(process, kEndingMs, answerSentMessages);
    return ProcessEnd{false, ExitCodeOf(process)};
}

}  // namespace win32
