// The reachability ladder that both login flows run first: adapter, then Internet, then the
// service. The first missing level is raised as one exception, after a log entry that says
// which; `function` is the calling flow's name as its log entries carry it.
#pragma once

namespace connectivity {

// Throws CNetworkAdapterException, CInternetConnectionException or CNetworkException (1006),
// and lets the service test's own exceptions through. Returns when all three levels are there.
void CheckConnectivity(const char* function);

}  // namespace connectivity
