// The viewer's menu bar and its keyboard shortcuts.
#pragma once

#include <windows.h>

namespace logview {

HMENU CreateViewerMenu();
HACCEL CreateViewerAccelerators();

}  // namespace logview
