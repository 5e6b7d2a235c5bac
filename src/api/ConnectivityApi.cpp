// Exports: the three reachability checks. Each is asked afresh of the platform or the service.
#include "api/Boundary.h"
#include "connectivity/NetworkChecks.h"
#include "pelmora.h"

extern "C" {

BOOL WINAPI PeLmGetIsNetworkAvailable(void) {
    return api::Guarded(__func__, FALSE,
                        [] { return connectivity::IsNetworkAvailable() ? TRUE : FALSE; });
}

BOOL WINAPI PeLmIsInternetConnected(void) {
    return api::Guarded(__func__, FALSE,
                        [] { return connectivity::IsInternetConnected() ? TRUE : FALSE; });
}

// A service that cannot be reached through the exchange (no client, an HTTP error, a proxy
// demand) is not alive: the host gets FALSE and the reason in the log.
BOOL WINAPI PeLmIsServerAlive(void) {
    return api::Guarded(__func__, FALSE,
                        [] { return connectivity::IsServerAlive() ? TRUE : FALSE; });
}

}  // extern "C"
