#include "win32/MessageWait.h"

namespace win32 {

DWORD WaitAnsweringSentMessages(HANDLE object, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    DWORD remaining = timeoutMs;
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &object, remaining, QS_SENDMESSAGE, 0);
        if (result != WAIT_OBJECT_0 + 1) return result;
        // Peeking with this filter handles the pending sent messages and nothing else.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= timeoutMs) return WAIT_TIMEOUT;
            remaining = timeoutMs - static_cast<DWORD>(elapsed);
        }
    }
}

}  // namespace win32
