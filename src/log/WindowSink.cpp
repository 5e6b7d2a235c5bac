// The log window's hand-off. The window reads the record out of the shared block when it
// handles the notification, so one record at a time may be in flight per process: a lock
// (`g_handoff`) spans writing the block and the window's answer. Threads get it in the order they
// asked, the window's own thread too, although it leaves its wait to answer every notification.
//
// Hosts' habits shape it:
// - The window's own thread logs too. While it waits for the lock it keeps answering sent
//   messages, so the worker that holds the lock gets its notification handled.
// - The window's handler calls back into the library (reads the block, logs, asks for the
//   stored login). Its thread then runs inside the holder's send: once it has read the record it
//   was told about, it is let through without the lock, since the holder is waiting for exactly
//   that handler to return. Before that read it waits like any thread (answering the holder's
//   notification), so no record of this process is replaced unread.
// - A window whose thread hangs must not hold the host's other threads for ever: the send
//   gives up after kWindowAnswerLimitMs, and at once for a window the system sees as hung. The
//   wait for the hand-off is bounded too (kHandoffWaitMs; after one ran out, later entries only
//   try it until one gets it).
// - The holder itself answers messages sent to its own windows while it sends, and so does a
//   thread waiting for its turn; their handlers may log. Their records wait in that thread's frame,
//   at most kMaxHeldBack of them, and go out after its own record, never over the one in flight
//   (the file sink has them at once). So no thread ever asks for the hand-off twice.
// - Any process of the session may hold the block's mutex. A record that cannot be placed within
//   the block's bound is dropped for the window (not sent), as is one that found the hand-off
//   taken past its bound or the holder's list full; the drops are counted in an entry once the
//   block takes records again.
#include <atomic>
#include <cstdint>
#include <vector>

#include "log/LogSinks.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "win32/NamedMutex.h"
#include "win32/Strings.h"
#include "win32/TurnLock.h"

namespace logging {
namespace {

constexpr UINT kWindowAnswerLimitMs = 5000;
// A holder keeps the hand-off for one placing and one send, unless its handlers logged.
constexpr DWORD kHandoffWaitMs = kWindowAnswerLimitMs + SharedLog::kMutexWaitMs;
// A login logs about 30 entries; a handler that logs on and on is cut off here.
constexpr size_t kMaxHeldBack = 64;

win32::TurnLock g_handoff;
win32::WaitBound g_handoffWait(kHandoffWaitMs);

// The thread of the window that the lock's holder is notifying, while it notifies, and the
// process's read count when the record was placed.
std::atomic<DWORD> g_answeringThread{0};
std::atomic<std::uint64_t> g_readsBeforeRecord{0};

// Records that could not be placed in the block since the last one that could.
std::atomic<unsigned> g_dropped{0};

// While this thread waits for or holds the hand-off: the records its own handlers logged
// meanwhile. A plain pointer, so the thread-local needs no destructor.
thread_local std::vector<LOG_RECORD>* t_deferred = nullptr;

void ReportDrops() {
    if (g_dropped.load(std::memory_order_relaxed) == 0) return;
    if (const unsigned dropped = g_dropped.exchange(0)) {
        Write(
            win32::Format("共有ログが使えず、ログウィンドウに渡せなかったレコード：%u件", dropped),
            {"NotifyLogWindow", "LogWriter", Kind::kError, 0});
    }
}

// False when the block was held too long and the record is dropped for the window.
bool Deliver(HWND window, const LOG_RECORD& record) {
    if (SharedLog::Instance().Place(record) == SharedLog::Access::kBusy) {
        ++g_dropped;
        return false;
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, PELMORA_WM_LOG, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kWindowAnswerLimitMs, &answer);
    return true;
}

// Inside the handler of a notification that another thread of this process is waiting for,
// after the handler took the record.
bool IsInsideAwaitedHandler() {
    return g_answeringThread.load() == GetCurrentThreadId() && InSendMessage() &&
           SharedLog::Instance().ReadCount() != g_readsBeforeRecord.load();
}

// Holds the hand-off for one record and those this thread's handlers log meanwhile.
class Handoff {
public:
    explicit Handoff(HWND window) {
        t_deferred = &deferred_;
        acquired_ = g_handoff.Acquire(g_handoffWait.Next());
        g_handoffWait.Note(acquired_);
        if (!acquired_) return;
        // The read count is noted before the window's thread is named, so that thread is never
        // let through on a count from another record.
        previousReads_ = g_readsBeforeRecord.exchange(SharedLog::Instance().ReadCount());
        previousThread_ = g_answeringThread.exchange(GetWindowThreadProcessId(window, nullptr));
    }
    ~Handoff() {
        t_deferred = nullptr;
        if (!acquired_) return;
        g_answeringThread.store(previousThread_);
        g_readsBeforeRecord.store(previousReads_);
        g_handoff.Release();
    }
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    bool acquired() const { return acquired_; }
    size_t heldBack() const { return deferred_.size(); }
    // Whether the last record went through the block.
    bool Run(HWND window, const LOG_RECORD& record) {
        bool placed = Deliver(window, record);
        // A delivery may add to the list (its handler logs again): a copy, by index.
        for (size_t i = 0; i < deferred_.size(); ++i) {
            const LOG_RECORD next = deferred_[i];
            placed = Deliver(window, next);
        }
        return placed;
    }

private:
    bool acquired_ = false;
    std::vector<LOG_RECORD> deferred_;
    std::uint64_t previousReads_ = 0;
    DWORD previousThread_ = 0;
};

}  // namespace

bool IsHandingOffOnThisThread() {
    return t_deferred != nullptr;
}

void NotifyLogWindow(HWND window, const LOG_RECORD& record) {
    if (IsInsideAwaitedHandler()) {
        Deliver(window, record);
        return;
    }
    if (t_deferred != nullptr) {
        if (t_deferred->size() < kMaxHeldBack)
            t_deferred->push_back(record);
        else
            ++g_dropped;
        return;
    }
    bool placed = false;
    {
        Handoff handoff(window);
        if (handoff.acquired())
            placed = handoff.Run(window, record);
        else
            g_dropped += 1 + handoff.heldBack();
    }
    if (placed) ReportDrops();
}

}  // namespace logging
