// Exports: the client program's proxy credentials (its dialog and its saved proxy user).
#include <windows.h>

#include "api/Boundary.h"
#include "contract/ClientContract.h"
#include "frame/host/Directories.h"
#include "pelmora.h"
#include "transport/ProxyDialogFlag.h"
#include "win32/Files.h"

extern "C" {

// The next request asks the client program to show its proxy credentials dialog.
BOOL WINAPI PeLmProxyUserDlgShow(void) {
    transport::SetProxyDialogFlag(true);
    return TRUE;
}

// TRUE when a saved proxy user was there and is now gone. The file is the client program's;
// the library only removes it.
BOOL WINAPI PeLmProxyUserDelete(void) {
    return api::Guarded(__func__, FALSE, [] {
        const std::wstring path = frame::GetDataDirectory() + L"\\" + contract::kProxyUserFile;
        return win32::DeleteFileAt(path);
    });
}

}  // extern "C"
