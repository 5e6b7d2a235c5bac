#include "frame/Exceptions.h"

#include <windows.h>

#include "win32/Handle.h"
#include "win32/Strings.h"

namespace frame {

const char* const kProxyLoginCancelText = "プロキシ認証が必要です";
const char* const kProgramDirectoryUnknownText = "プログラムのフォルダーを特定できませんでした";
const char* const kDataDirectoryUnknownText = "データの保存先フォルダーを特定できませんでした";

BOOL CTextException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    return win32::CopyToBuffer(buffer, size, text_) ? TRUE : FALSE;
}

BOOL CProxyLoginCancelException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    return win32::CopyToBuffer(buffer, size, kProxyLoginCancelText) ? TRUE : FALSE;
}

BOOL CInternetException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    // The Internet layer's texts are in its own message table. When nothing in the process has
    // loaded that module yet, map it as data for the text alone rather than show a bare number.
    HMODULE module = GetModuleHandleA("wininet.dll");
    win32::LoadedModule mapped;
    if (module == nullptr) {
        mapped.reset(LoadLibraryExA("wininet.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
        module = mapped.get();
    }
    return win32::CopyTextCut(buffer, size, win32::SystemMessageText(error_, module));
}

}  // namespace frame
