#include "win32/MessageWait.h"

namespace win32 {

DWORD WaitAnsweringSentMessages(HANDLE object) {
    // Messages are sent to windows, so a thread that has none has nothing to answer; the plain
    // wait is much cheaper on some systems.
    if (!IsGUIThread(FALSE)) return WaitForSingleObject(object, INFINITE);
    for (;;) {
        // MWMO_INPUTAVAILABLE: also wakes for a sent message that was waiting before the call.
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &object, INFINITE, QS_SENDMESSAGE,
                                                         MWMO_INPUTAVAILABLE);
        if (result != WAIT_OBJECT_0 + 1) return result;
        // Peeking with this filter handles the pending sent messages and nothing else.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace win32
