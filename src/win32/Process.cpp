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

DWORD AwaitExitCode(HANDLE process, bool answerSentMessages) {
    if (answerSentMessages)
        WaitAnsweringSentMessages(process);
    else
        WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 0;
    return Platform().getExitCodeProcess(process, &exitCode) ? exitCode : static_cast<DWORD>(-1);
}

}  // namespace win32
