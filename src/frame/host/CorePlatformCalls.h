// The platform calls only the library's internals make, whose failures it must survive: the
// network's and the XML parser's. A table of their own beside the kit's (win32/PlatformCalls.h),
// so that the kit's programs, which link that one, import no network library. It keeps the kit's
// rules: the real functions until a test replaces an entry, and the kit's one reset puts these
// back too.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "win32/PlatformCalls.h"

struct _IP_ADAPTER_ADDRESSES_LH;

namespace frame {

struct CorePlatformCalls {
    // Reachability.
    ULONG(WINAPI* getAdaptersAddresses)(ULONG, ULONG, PVOID, _IP_ADAPTER_ADDRESSES_LH*, PULONG);
    BOOL(WINAPI* internetGetConnectedState)(LPDWORD, DWORD);
    // The XML parser.
    decltype(&::CoCreateInstance) coCreateInstance;
};

// The library's table (its entries are the real functions until a test says otherwise).
const CorePlatformCalls& CorePlatform();

// Makes `calls` the table and tells the kit's change hooks; win32::ResetPlatform puts it back.
void ReplaceCorePlatform(const CorePlatformCalls& calls);

// Replaces one entry (found by argument-dependent lookup beside the kit's).
template <typename Function>
void ReplacePlatformCall(Function CorePlatformCalls::*entry, Function replacement) {
    ReplaceCorePlatform(win32::WithEntry(CorePlatform(), entry, replacement));
}

}  // namespace frame
