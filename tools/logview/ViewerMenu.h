// The viewer's menu bar, the context menu of its rows and its keys.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/Handle.h"

namespace logview {

HMENU CreateViewerMenu();
// The context menu of the rows; the caller destroys it.
HMENU CreateRowMenu();
win32::AcceleratorTable CreateViewerAccelerators();

// Lists `files` in the ファイル menu of `bar` (kRecentFileCommand + their index).
void ShowRecentFiles(HMENU bar, const std::vector<std::wstring>& files);

}  // namespace logview
