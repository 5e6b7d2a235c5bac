// The viewer is per-monitor DPI aware (its manifest): its layout, columns and font follow the
// DPI of the monitor its window is on. The calls that tell a window's DPI came with Windows 10;
// on Windows 7 and 8 every window has the system's DPI.
#pragma once

#include <windows.h>

#include "win32/Handle.h"

namespace logview {

constexpr int kDesignDpi = 96;  // the DPI the layout's numbers are written for

UINT WindowDpi(HWND window);

// The login dialog's Japanese face, at the size of the system's message font for `dpi`.
win32::FontHandle CreateUiFont(UINT dpi);

}  // namespace logview
