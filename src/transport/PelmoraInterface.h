// The two requests to the service and the judging of their answers: the test request of the
// reachability check and the login request.
#pragma once

#include <string>

namespace transport {

class CPelmoraInterface {
public:
    // 0: the service is alive; 1: it answered, but not as alive. Throws CNetworkException (1006)
    // when the exchange fails; CProxyLoginCancelException passes through.
    int Test();

    // 0: accepted; 1: refused (the service's explanation is logged). Throws CNetworkException on
    // transport failure.
    int Login(const std::string& companyId, const std::string& password);
};

}  // namespace transport
