// A named system mutex and a scoped lock on it.
#pragma once

#include <windows.h>

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

// Waits for at most `timeoutMs`. A mutex left abandoned by a thread or process that ended while
// holding it counts as acquired: the data it guards is re-created by each holder anyway.
class MutexLock {
public:
    enum class Wait { kPlain, kAnsweringSentMessages };

    explicit MutexLock(HANDLE mutex, Wait wait = Wait::kPlain, DWORD timeoutMs = INFINITE);
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
