#include <winsock2.h>

#include "win32/PlatformCalls.h"

#include <iphlpapi.h>
#include <shlobj.h>
#include <wininet.h>

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
        ::GetAdaptersAddresses,
        ::InternetGetConnectedState,
        ::CryptAcquireContextA,
        ::CreateFileMappingA,
        ::MapViewOfFile,
        ::CreateMutexA,
        ::SHGetFolderPathW,
        ::SHCreateDirectoryExW,
        ::CoCreateInstance,
    };
}

}  // namespace

PlatformCalls& Platform() {
    // Built on first use: the exchange mutex is created while the library loads.
    static PlatformCalls calls = RealCalls();
    return calls;
}

void ResetPlatform() {
    Platform() = RealCalls();
}

}  // namespace win32
