#include "frame/Exceptions.h"

#include <windows.h>

#include "win32/Strings.h"

namespace frame {

const char* const kProxyLoginCancelText = "プロキシ認証が必要です";

BOOL CProxyLoginCancelException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    return win32::CopyToBuffer(buffer, size, kProxyLoginCancelText) ? TRUE : FALSE;
}

BOOL CInternetException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    return win32::CopyTextCut(buffer, size,
                              win32::SystemMessageText(error_, GetModuleHandleA("wininet.dll")));
}

}  // namespace frame
