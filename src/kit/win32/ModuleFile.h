// The full path of a loaded module's file, however long its folder.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// `module`'s file (nullptr: the process's program); "" when the system cannot tell.
std::wstring ModuleFileName(HMODULE module);

// The folder of that file, without a trailing separator; "" when the system cannot tell.
std::wstring ModuleFolder(HMODULE module);

}  // namespace win32
