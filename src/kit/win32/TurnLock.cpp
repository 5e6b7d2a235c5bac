#include "win32/TurnLock.h"

#include <algorithm>
#include <new>

#include "win32/Handle.h"
#include "win32/MessageWait.h"

namespace win32 {

bool TurnLock::Acquire(DWORD timeoutMs) {
    {
        SlimLockGuard guard(lock_);
        if (!held_) return held_ = true;
        if (timeoutMs == 0) return false;
    }
    const KernelHandle turn(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!turn) return false;
    Waiter self{turn.get(), false};
    {
        SlimLockGuard guard(lock_);
        if (!held_) return held_ = true;  // let go meanwhile
        try {
            waiters_.push_back(&self);
        } catch (const std::bad_alloc&) {
            return false;  // no room for a place in the queue: as if the turn did not come
        }
    }
    WaitAnsweringSentMessages(turn.get(), timeoutMs);
    SlimLockGuard guard(lock_);
    if (self.granted) return true;  // perhaps just as the time ran out
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &self));
    return false;
}

void TurnLock::Release() {
    SlimLockGuard guard(lock_);
    if (waiters_.empty()) {
        held_ = false;
        return;
    }
    // The lock passes straight to the next waiter: no thread can take it in between.
    Waiter* next = waiters_.front();
    waiters_.erase(waiters_.begin());
    next->granted = true;
    SetEvent(next->turn);
}

}  // namespace win32
