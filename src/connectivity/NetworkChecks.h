// The first two levels of reachability, asked of the platform afresh at every call.
#pragma once

namespace connectivity {

// At least one adapter is up that is neither the loopback nor a tunnel. Every platform error,
// allocation failure or exhausted retry reads as false.
bool IsNetworkAvailable();

// What the system's Internet connection query reports.
bool IsInternetConnected();

// The third level: the service answers its test request with "true". The exceptions of the
// test (a failed exchange, a proxy demand) pass through.
bool IsServerAlive();

}  // namespace connectivity
