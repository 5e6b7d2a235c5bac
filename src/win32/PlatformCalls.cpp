#include <winsock2.h>

#include "win32/PlatformCalls.h"

#include <iphlpapi.h>
#include <shlobj.h>
#include <wininet.h>

namespace win32 {

PlatformCalls& Platform() {
    // Built on first use: the exchange mutex is created while the library loads.
    static PlatformCalls calls{
        ::CreateFileW,
        ::ReadFile,
        ::WriteFile,
        ::FlushFileBuffers,
        ::MoveFileExW,
        ::DeleteFileW,
        ::CreateProcessW,
        ::GetAdaptersAddresses,
        ::InternetGetConnectedState,
        ::CryptAcquireContextA,
        ::CreateFileMappingA,
        ::MapViewOfFile,
        ::CreateMutexA,
        ::SHGetFolderPathA,
        ::CoCreateInstance,
    };
    return calls;
}

}  // namespace win32
