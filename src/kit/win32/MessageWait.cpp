#include "win32/MessageWait.h"

namespace win32 {
namespace {
// Well inside the 5 s after which the system counts a thread that has not looked at its queue as
// hung (and a sender with SMTO_ABORTIFHUNG, such as a log window's own host, gives up on it).
constexpr DWORD kQueueLookMs = 1000;

DWORD Remaining(DWORD timeoutMs, ULONGLONG start) {
    if (timeoutMs == INFINITE) return INFINITE;
    const ULONGLONG elapsed = GetTickCount64() - start;
    return elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
}
}  // namespace

DWORD WaitAnsweringSentMessages(HANDLE object, DWORD timeoutMs) {
    // Messages are sent to windows, so a thread that has none has nothing to answer and cannot
    // be judged hung; the plain wait is much cheaper on some systems.
    if (!IsGUIThread(FALSE)) return WaitForSingleObject(object, timeoutMs);
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const DWORD remaining = Remaining(timeoutMs, start);
        // Once the time is up no message is answered any more, however many keep arriving: a
        // last look at the object alone decides.
        if (remaining == 0) return WaitForSingleObject(object, 0);
        const DWORD slice = remaining < kQueueLookMs ? remaining : kQueueLookMs;
        // MWMO_INPUTAVAILABLE: also wakes for a sent message that was waiting before the call.
        const DWORD result =
            MsgWaitForMultipleObjectsEx(1, &object, slice, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (result == WAIT_TIMEOUT) continue;
        if (result != WAIT_OBJECT_0 + 1) return result;
        // Peeking with this filter handles the pending sent messages and nothing else, and it
        // counts as looking at the queue.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace win32
