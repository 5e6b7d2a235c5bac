// The log window's hand-off. The window reads the record out of the shared block when it
// handles the notification, so one record at a time may be in flight per process: a lock
// (`g_handoffLock`) spans writing the block and the window's answer.
//
// Three hosts' habits shape it:
// - The window's own thread logs too. While it waits for the lock it keeps answering sent
//   messages, so the worker that holds the lock gets its notification handled.
// - The window's handler calls back into the library (reads the block, logs, asks for the
//   stored login). Its thread then runs inside the holder's send: once it has read the record it
//   was told about, it is let through without the lock, since the holder is waiting for exactly
//   that handler to return. Before that read it waits like any thread (answering the holder's
//   notification), so no record of this process is replaced unread.
// - A window whose thread hangs must not hold the host's other threads for ever: the send
//   gives up after kWindowAnswerLimitMs, and at once for a window the system sees as hung.
#include <atomic>
#include <cstdint>

#include "log/LogSinks.h"
#include "log/SharedLog.h"
#include "win32/Handle.h"
#include "win32/NamedMutex.h"

namespace logging {
namespace {

constexpr UINT kWindowAnswerLimitMs = 5000;

// A kernel mutex rather than a plain lock: a thread waiting for it can still answer sent
// messages, and the thread that holds it may take it again from inside its own window's handler.
win32::KernelHandle g_handoffLock(CreateMutexW(nullptr, FALSE, nullptr));

// The thread of the window that the lock's holder is notifying, while it notifies, and the
// process's read count when the record was placed.
std::atomic<DWORD> g_answeringThread{0};
std::atomic<std::uint64_t> g_readsBeforeRecord{0};

void Deliver(HWND window, const LOG_RECORD& record) {
    SharedLog::Instance().Write(record);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, PELMORA_WM_LOG, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kWindowAnswerLimitMs, &answer);
}

// Inside the handler of a notification that another thread of this process is waiting for,
// after the handler took the record.
bool IsInsideAwaitedHandler() {
    return g_answeringThread.load() == GetCurrentThreadId() && InSendMessage() &&
           SharedLog::Instance().ReadCount() != g_readsBeforeRecord.load();
}

}  // namespace

void NotifyLogWindow(HWND window, const LOG_RECORD& record) {
    if (IsInsideAwaitedHandler()) {
        Deliver(window, record);
        return;
    }
    win32::MutexLock lock(g_handoffLock.get(), win32::MutexLock::Wait::kAnsweringSentMessages);
    // The read count is noted before the window's thread is named, so that thread is never let
    // through on a count from another record.
    const std::uint64_t previousReads =
        g_readsBeforeRecord.exchange(SharedLog::Instance().ReadCount());
    const DWORD previous = g_answeringThread.exchange(GetWindowThreadProcessId(window, nullptr));
    Deliver(window, record);
    g_answeringThread.store(previous);
    g_readsBeforeRecord.store(previousReads);
}

}  // namespace logging
