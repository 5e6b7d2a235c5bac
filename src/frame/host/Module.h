// The module (DLL or, in tests, executable) that holds the library's code and resources.
#pragma once

#include <windows.h>

namespace frame {

// The handle the loader gave the library; before that, the image this code was linked into.
HMODULE GetLibraryModule();
void SetLibraryModule(HMODULE module);

}  // namespace frame
