// The library's exception family: a failure that ends a flow. The connectivity checks, the
// request exchange's proxy demand, the login request, the directories and the server state's
// seal raise these; the login flows' catch ladder turns each into a last error and the export
// boundary logs what reaches it. Each kind fills in the root's report; callers may still catch a
// kind by its class. Where a failure is expected and the caller decides (a platform call, a file
// read, an exchange) the result is plain data: a bool with GetLastError telling why, or the
// exchange's outcome.
#pragma once

#include <string>

#include "win32/Exception.h"

namespace frame {

using win32::CException;

// No usable adapter is up. The check has logged its finding.
class CNetworkAdapterException : public CException {
public:
    CNetworkAdapterException();
};

// The system reports no Internet connection. The check has logged its finding.
class CInternetConnectionException : public CException {
public:
    CInternetConnectionException();
};

// The service could not be reached or failed the exchange: the host and the log get the reason.
class CNetworkException : public CException {
public:
    explicit CNetworkException(const std::string& reason);
};

// Hashing or the cipher failed: the reason reaches the log only.
class CCryptException : public CException {
public:
    explicit CCryptException(const std::string& reason);
};

// A state file whose content fails its seal or its format. Carries no text of its own.
class CFalsificationException : public CException {
public:
    CFalsificationException();
};

// The client met a proxy that wants credentials and had none to give.
class CProxyLoginCancelException : public CException {
public:
    CProxyLoginCancelException();
};

}  // namespace frame
