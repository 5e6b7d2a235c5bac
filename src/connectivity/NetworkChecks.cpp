#include "connectivity/NetworkChecks.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <wininet.h>

#include "frame/host/CorePlatformCalls.h"
#include "transport/PelmoraInterface.h"
#include "win32/Handle.h"

namespace connectivity {
namespace {
constexpr ULONG kFirstBufferSize = 15000;
// The adapter list can grow between the size query and the listing; give up after this many.
constexpr int kMaxListingAttempts = 3;

bool IsUsableAdapter(const IP_ADAPTER_ADDRESSES& adapter) {
    return adapter.OperStatus == IfOperStatusUp && adapter.IfType != IF_TYPE_SOFTWARE_LOOPBACK &&
           adapter.IfType != IF_TYPE_TUNNEL;
}
}  // namespace

bool IsNetworkAvailable() {
    ULONG size = kFirstBufferSize;
    for (int attempt = 0; attempt < kMaxListingAttempts; ++attempt) {
        win32::HeapBlock buffer(HeapAlloc(GetProcessHeap(), 0, size));
        if (!buffer) return false;
        auto* adapters = static_cast<IP_ADAPTER_ADDRESSES*>(buffer.get());
        ULONG result = frame::CorePlatform().getAdaptersAddresses(
            AF_UNSPEC, GAA_FLAG_INCLUDE_PREFIX, nullptr, adapters, &size);
        if (result == ERROR_BUFFER_OVERFLOW) continue;  // `size` now holds what is needed
        if (result != NO_ERROR) return false;
        for (auto* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
            if (IsUsableAdapter(*adapter)) return true;
        }
        return false;
    }
    return false;
}

bool IsInternetConnected() {
    DWORD flags = 0;  // the kind of connection is not used
    return frame::CorePlatform().internetGetConnectedState(&flags, 0) != FALSE;
}

bool IsServerAlive() {
    return transport::CPelmoraInterface().Test();
}

}  // namespace connectivity
