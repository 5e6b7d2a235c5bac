// Move-only owner of a WinHTTP handle (session, connection or request).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "win32/Handle.h"

namespace client {

struct WinHttpCloseFn {
    void operator()(HINTERNET h) const { ::WinHttpCloseHandle(h); }
};
using WinHttpHandle = win32::UniqueResource<HINTERNET, nullptr, WinHttpCloseFn>;

}  // namespace client
