#include "frame/errors/LastError.h"

#include "win32/SlimLock.h"

namespace frame {
namespace {
// Held only to copy the two values in or out, never while logging or waiting.
win32::SlimLock g_lock;
int g_code = kNoError;
std::string g_message;
}  // namespace

int GetLastErrorCode() {
    win32::SlimLockGuard guard(g_lock);
    return g_code;
}

std::string GetLastErrorMessage() {
    win32::SlimLockGuard guard(g_lock);
    return g_message;
}

void RecordLastError(int code, const std::string& message) {
    std::string copy = message;  // allocated before the lock is taken
    win32::SlimLockGuard guard(g_lock);
    g_code = code;
    g_message.swap(copy);
}

void ClearLastErrorCode() {
    win32::SlimLockGuard guard(g_lock);
    g_code = kNoError;
}

}  // namespace frame
