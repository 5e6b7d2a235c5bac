// The font of a dialog template may name a face that is not installed (a Japanese face on a
// western system). The system then substitutes a face that may lack the template's script and
// the labels show as boxes; this picks an installed face that has it.
#pragma once

#include <windows.h>

#include <string>

#include "win32/Handle.h"

namespace win32 {

bool IsFontFaceInstalled(const std::wstring& face);

// The first installed face among the usual Japanese UI faces, else the system's message font.
std::wstring FallbackJapaneseFace();

// When the dialog's font names a face that is not installed, creates the same size in the
// fallback face and gives it to the dialog's controls; the dialog keeps the returned font.
FontHandle ReplaceMissingDialogFont(HWND dialog);

}  // namespace win32
