// The host context's values (the endpoint tables, the program-directory override, the current
// login record) may be read and written by any of the host's threads.
// One lock guards them all. It is held only to copy a value in or out, never while logging,
// waiting or calling out of the library, so it cannot take part in a deadlock.
#pragma once

#include "win32/SlimLock.h"

namespace frame {

win32::SlimLock& HostContextLock();

using HostContextGuard = win32::SlimLockGuard;

}  // namespace frame
