// A window's text, read whole.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// `window`'s whole text, however long (a control's, a dialog's caption); "" for none or no window.
std::wstring WindowText(HWND window);

}  // namespace win32
