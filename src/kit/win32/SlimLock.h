// An in-process lock for short critical sections: the platform's slim reader/writer lock, taken
// exclusively. Uncontended it costs one atomic operation, and a contended wait stays inside the
// process (the runtime's mutex waits on a kernel event).
#pragma once

#include <windows.h>

namespace win32 {

class SlimLock {
public:
    SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* native() { return &lock_; }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// Holds a SlimLock for the length of a scope.
class SlimLockGuard {
public:
    explicit SlimLockGuard(SlimLock& lock) : lock_(lock) { lock_.lock(); }
    ~SlimLockGuard() { lock_.unlock(); }
    SlimLockGuard(const SlimLockGuard&) = delete;
    SlimLockGuard& operator=(const SlimLockGuard&) = delete;

private:
    SlimLock& lock_;
};

// Holds a SlimLock shared (with other shared holders, never with an exclusive one).
class SlimLockSharedGuard {
public:
    explicit SlimLockSharedGuard(SlimLock& lock) : lock_(lock) {
        AcquireSRWLockShared(lock_.native());
    }
    ~SlimLockSharedGuard() { ReleaseSRWLockShared(lock_.native()); }
    SlimLockSharedGuard(const SlimLockSharedGuard&) = delete;
    SlimLockSharedGuard& operator=(const SlimLockSharedGuard&) = delete;

private:
    SlimLock& lock_;
};

}  // namespace win32
