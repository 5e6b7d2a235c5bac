#include "win32/ModuleFile.h"

namespace win32 {

std::wstring ModuleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);  // a long install path: the name was cut
    }
}

std::wstring ModuleFolder(HMODULE module) {
    std::wstring path = ModuleFileName(module);
    path.erase(path.find_last_of(L"\\/") + 1);
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

}  // namespace win32
