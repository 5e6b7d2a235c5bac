// The two requests to the service and the judging of their answers: the test request of the
// reachability check and the login request.
#pragma once

#include <string>

namespace transport {

class CPelmoraInterface {
public:
    // True when the service is alive; false when it answered, but not as alive. Throws
    // CNetworkException (1006) when the exchange fails; CProxyLoginCancelException passes through.
    bool Test();

    // True when accepted; false when refused (the service's explanation is logged). Throws
    // CNetworkException on transport failure.
    bool Login(const std::string& companyId, const std::string& password);
};

}  // namespace transport
