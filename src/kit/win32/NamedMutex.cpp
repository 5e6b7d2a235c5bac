#include "win32/NamedMutex.h"

#include "win32/MessageWait.h"
#include "win32/PlatformCalls.h"

namespace win32 {

NamedMutex::NamedMutex(const char* name) : handle_(Platform().createMutex(nullptr, FALSE, name)) {
    // Creating asks for every right; an object made by a process that grants only waiting and
    // releasing still serves.
    if (!handle_ && GetLastError() == ERROR_ACCESS_DENIED)
        handle_.reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
    if (!handle_) error_ = GetLastError();
}

MutexLock::MutexLock(HANDLE mutex, Wait wait, DWORD timeoutMs) : mutex_(mutex), acquired_(false) {
    if (mutex_ == nullptr) return;
    waitResult_ = wait == Wait::kAnsweringSentMessages
                      ? WaitAnsweringSentMessages(mutex_, timeoutMs)
                      : WaitForSingleObject(mutex_, timeoutMs);
    acquired_ = waitResult_ == WAIT_OBJECT_0 || waitResult_ == WAIT_ABANDONED;
}

MutexLock::MutexLock(HANDLE mutex, Wait wait, WaitBound& bound)
    : MutexLock(mutex, wait, bound.Next()) {
    bound.Note(acquired_);
}

MutexLock::~MutexLock() {
    Unlock();
}

bool MutexLock::Unlock() {
    if (!acquired_) return false;
    acquired_ = false;
    return ReleaseMutex(mutex_) != FALSE;
}

}  // namespace win32
