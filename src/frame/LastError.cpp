#include "frame/LastError.h"

#include "frame/HostContextLock.h"

namespace frame {
namespace {
int g_code = kNoError;
std::string g_message;
}  // namespace

int GetLastErrorCode() {
    HostContextGuard guard(HostContextLock());
    return g_code;
}

std::string GetLastErrorMessage() {
    HostContextGuard guard(HostContextLock());
    return g_message;
}

void RecordLastError(int code, const std::string& message) {
    std::string copy = message;  // allocated before the lock is taken
    HostContextGuard guard(HostContextLock());
    g_code = code;
    g_message.swap(copy);
}

void ClearLastErrorCode() {
    HostContextGuard guard(HostContextLock());
    g_code = kNoError;
}

}  // namespace frame
