// A named system mutex and a scoped lock on it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "win32/Handle.h"

namespace win32 {

class NamedMutex {
public:
    // Creates the mutex, or opens it when another thread or process already did (for waiting
    // and releasing only, when its owner grants no more). Not owned.
    explicit NamedMutex(const char* name);
    NamedMutex(NamedMutex&&) = default;
    NamedMutex& operator=(NamedMutex&&) = default;
    bool valid() const { return handle_.valid(); }
    HANDLE get() const { return handle_.get(); }
    // The reason the mutex could not be had (0 when valid).
    DWORD error() const { return error_; }

private:
    KernelHandle handle_;
    DWORD error_ = 0;
};

// The wait for an object that a stuck holder (a frozen or hostile process) may keep: once one wait
// has run out, later ones only try, until one gets the object. So a holder that never lets go
// costs one wait, not one per call.
class WaitBound {
public:
    explicit WaitBound(DWORD limitMs) : limitMs_(limitMs) {}
    DWORD Next() const { return stuck_.load(std::memory_order_relaxed) ? 0 : limitMs_; }
    void Note(bool acquired) { stuck_.store(!acquired, std::memory_order_relaxed); }

private:
    const DWORD limitMs_;
    std::atomic<bool> stuck_{false};
};

// Waits for at most `timeoutMs`. A mutex left abandoned by a thread or process that ended while
// holding it counts as acquired: the data it guards is re-created by each holder anyway.
class MutexLock {
public:
    enum class Wait { kPlain, kAnsweringSentMessages };

    explicit MutexLock(HANDLE mutex, Wait wait = Wait::kPlain, DWORD timeoutMs = INFINITE);
    // Waits as `bound` allows, and tells it whether the object was had.
    MutexLock(HANDLE mutex, Wait wait, WaitBound& bound);
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    bool acquired() const { return acquired_; }
    // What the wait ended with: WAIT_TIMEOUT when the bound passed, WAIT_FAILED with the reason
    // in GetLastError.
    DWORD waitResult() const { return waitResult_; }
    // Releases early; returns the result of the release.
    bool Unlock();

private:
    HANDLE mutex_;
    bool acquired_;
    DWORD waitResult_ = WAIT_FAILED;
};

}  // namespace win32
