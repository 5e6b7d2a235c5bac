// The handshake with scripts/desktop-screenshot.sh: a program writes MARK.ready beside itself
// once its window is drawn, and closes once the script has written MARK.taken there.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "win32/Handle.h"

namespace screenshots {

inline std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = L"";
    const std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of(L'\\'));
}

// Checks `done` until it holds or `limitMs` have passed.
inline bool WaitFor(const std::function<bool()>& done, ULONGLONG limitMs) {
    for (const ULONGLONG end = GetTickCount64() + limitMs; !done(); Sleep(50)) {
        if (GetTickCount64() >= end) return false;
    }
    return true;
}

// At most a minute: a script that stopped early leaves no program behind.
inline void MarkReadyAndAwaitTaken(const std::wstring& mark) {
    const std::wstring base = ProgramDirectory() + L"\\" + mark;
    const win32::FileHandle ready(CreateFileW((base + L".ready").c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::wstring taken = base + L".taken";
    WaitFor([&] { return GetFileAttributesW(taken.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
}

}  // namespace screenshots
