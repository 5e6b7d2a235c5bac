// A window's text, read whole.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// `window`'s whole text, however long (a control's, a dialog's caption); "" for none or no window.
// Of another process's window it gives the text the system keeps with the window, without sending
// it a message, so a hung process cannot hold the reader (what is typed into an edit control there
// may not be that text).
std::wstring WindowText(HWND window);

}  // namespace win32
