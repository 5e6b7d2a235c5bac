#include "win32/PlatformCalls.h"

#include <shlobj.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "win32/SlimLock.h"

namespace win32 {

namespace {

PlatformCalls RealCalls() {
    return PlatformCalls{
        ::CreateFileW,
        ::ReadFile,
        ::WriteFile,
        ::FlushFileBuffers,
        ::MoveFileExW,
        ::DeleteFileW,
        ::GetFileAttributesW,
        ::GetFileSizeEx,
        ::SetFilePointerEx,
        ::FindFirstFileW,
        ::FindNextFileW,
        ::CreateProcessW,
        ::GetExitCodeProcess,
        ::OpenProcess,
        ::CryptAcquireContextA,
        ::CreateFileMappingA,
        ::MapViewOfFile,
        ::CreateMutexA,
        ::SHGetFolderPathW,
        ::SHCreateDirectoryExW,
    };
}

PlatformCalls& Table() {
    // Built on first use: the exchange mutex is created while the library loads.
    static PlatformCalls calls = RealCalls();
    return calls;
}

struct ChangeHooks {
    SlimLock lock;
    std::vector<PlatformChangeHook> hooks;
};

ChangeHooks& Hooks() {
    static ChangeHooks hooks;
    return hooks;
}

}  // namespace

const PlatformCalls& Platform() {
    return Table();
}

void OnPlatformChange(PlatformChangeHook hook) {
    ChangeHooks& registry = Hooks();
    const std::lock_guard<SlimLock> hold(registry.lock);
    if (std::find(registry.hooks.begin(), registry.hooks.end(), hook) == registry.hooks.end())
        registry.hooks.push_back(hook);
}

void NotifyPlatformChange(PlatformChange change) {
    // Run outside the lock: a hook may take its own lock, under which its owner registers.
    std::vector<PlatformChangeHook> hooks;
    {
        const std::lock_guard<SlimLock> hold(Hooks().lock);
        hooks = Hooks().hooks;
    }
    for (PlatformChangeHook hook : hooks) hook(change);
}

void ReplacePlatform(const PlatformCalls& calls) {
    Table() = calls;
    NotifyPlatformChange(PlatformChange::kReplaced);
}

void ResetPlatform() {
    Table() = RealCalls();
    NotifyPlatformChange(PlatformChange::kReset);
}

}  // namespace win32
