// A lock handed over in the order it was asked for, to threads that answer sent messages while
// they wait. A kernel mutex goes to a thread that is in its wait when it is let go: a waiter that
// leaves its wait to answer a message (as the log window's own thread does for every other
// thread's notification) misses each turn, and could wait for as long as others keep taking it.
#pragma once

#include <windows.h>

#include <vector>

#include "win32/SlimLock.h"

namespace win32 {

class TurnLock {
public:
    TurnLock() = default;
    TurnLock(const TurnLock&) = delete;
    TurnLock& operator=(const TurnLock&) = delete;

    // True once this thread holds the lock; false when its turn did not come within `timeoutMs`
    // (its place is then given up). The lock is not re-entrant. While waiting, the thread
    // answers messages sent to its windows; the lock may be handed to it meanwhile.
    bool Acquire(DWORD timeoutMs);
    // Hands the lock to the longest waiter, or frees it.
    void Release();

private:
    struct Waiter {
        HANDLE turn;  // set once the lock is this waiter's
        bool granted;
    };

    SlimLock lock_;
    bool held_ = false;
    std::vector<Waiter*> waiters_;  // oldest first; a few at most, and nothing allocated at load
};

}  // namespace win32
