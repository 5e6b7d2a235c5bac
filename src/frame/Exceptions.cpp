#include "frame/Exceptions.h"

#include <windows.h>

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

}  // namespace frame
