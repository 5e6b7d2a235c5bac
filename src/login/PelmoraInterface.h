// Requests to the service and the judging of their answers. Test lives with the connectivity
// checks, Login with the login request.
#pragma once

#include <string>

namespace login {

class CPelmoraInterface {
public:
    // 0: the service is alive; 1: it answered, but not as alive. Throws CNetworkException (1006)
    // when the exchange fails; CProxyLoginCancelException passes through.
    int Test();

    // 0: accepted; 1: refused (the service's explanation in GetErrorMessage()). Throws
    // CNetworkException on transport failure.
    int Login(const std::string& companyId, const std::string& password);

    const std::string& GetErrorMessage() const { return m_strErrorMessage; }

private:
    std::string m_strErrorMessage;
};

}  // namespace login
