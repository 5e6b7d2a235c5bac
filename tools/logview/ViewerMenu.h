// The viewer's menu bar and its keyboard shortcuts.
#pragma once

#include <windows.h>

#include "win32/Handle.h"

namespace logview {

HMENU CreateViewerMenu();
win32::AcceleratorTable CreateViewerAccelerators();

}  // namespace logview
