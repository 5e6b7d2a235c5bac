#include <winsock2.h>

#include "frame/host/CorePlatformCalls.h"

#include <iphlpapi.h>
#include <wininet.h>

#include "win32/PlatformCalls.h"

namespace frame {

namespace {

CorePlatformCalls RealCalls() {
    return CorePlatformCalls{
        ::GetAdaptersAddresses,
        ::InternetGetConnectedState,
        ::CoCreateInstance,
    };
}

void PutBackOnReset(win32::PlatformChange change);

CorePlatformCalls& Table() {
    // The kit's reset reaches this table through its hook, registered with the table's birth:
    // a table never built holds nothing to put back.
    static CorePlatformCalls calls = (win32::OnPlatformChange(PutBackOnReset), RealCalls());
    return calls;
}

void PutBackOnReset(win32::PlatformChange change) {
    if (change == win32::PlatformChange::kReset) Table() = RealCalls();
}

}  // namespace

const CorePlatformCalls& CorePlatform() {
    return Table();
}

void ReplaceCorePlatform(const CorePlatformCalls& calls) {
    Table() = calls;
    win32::NotifyPlatformChange(win32::PlatformChange::kReplaced);
}

}  // namespace frame
