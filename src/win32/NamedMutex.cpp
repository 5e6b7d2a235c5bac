#include "win32/NamedMutex.h"

#include "win32/MessageWait.h"
#include "win32/PlatformCalls.h"

namespace win32 {

NamedMutex::NamedMutex(const char* name) : handle_(Platform().createMutex(nullptr, FALSE, name)) {
    if (!handle_) error_ = GetLastError();
}

MutexLock::MutexLock(HANDLE mutex, Wait wait) : mutex_(mutex), acquired_(false) {
    if (mutex_ == nullptr) return;
    DWORD result = wait == Wait::kAnsweringSentMessages ? WaitAnsweringSentMessages(mutex_)
                                                        : WaitForSingleObject(mutex_, INFINITE);
    acquired_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
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
