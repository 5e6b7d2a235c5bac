// The library's message boxes: caption "確認" and the given icon, texts shown through the
// wide-character API so that the Shift_JIS texts read correctly on any system code page.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

extern const char* const kMessageBoxCaption;

// Modal box owned by `owner` (may be NULL); blocks until closed and returns the button id.
int ShowMessageBox(HWND owner, const std::string& text, UINT icon = MB_ICONWARNING,
                   UINT buttons = MB_OK);

}  // namespace win32
