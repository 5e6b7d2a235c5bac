// The library's exception family: a failure that ends a flow. The connectivity checks, the
// request exchange's proxy demand, the login request, the directories and the server state's
// seal raise these; the login flows' catch ladder turns each into a last error and the export
// boundary logs what reaches it. Where a failure is expected and the caller decides (a platform
// call, a file read, an exchange's outcome) the result is a plain bool, with GetLastError or the
// exchange's GetErrorCode telling why.
#pragma once

#include <string>

#include "win32/Exception.h"

namespace frame {

using win32::CException;

class CNetworkAdapterException : public CException {};

class CInternetConnectionException : public CException {};

// A kind whose text is a reason for the log: it gives the host no message of its own.
class CReasonException : public CException {
public:
    explicit CReasonException(std::string reason) : reason_(std::move(reason)) {}
    std::string Reason() const override { return reason_; }

private:
    std::string reason_;
};

// The service could not be reached or failed the exchange. The catch ladder hands its reason to
// the host as well (1006); a dialog whose handler it escapes shows the generic text for an
// internal failure.
class CNetworkException : public CReasonException {
public:
    using CReasonException::CReasonException;
};

// Hashing or the cipher failed: the reason reaches the log only.
class CCryptException : public CReasonException {
public:
    using CReasonException::CReasonException;
};

// A state file whose content fails its seal or its format. Carries no text of its own.
class CFalsificationException : public CException {};

// A failure whose text is all the host needs to hear: the catch ladder records it as 1000
// with this text, the export boundary logs it.
class CTextException : public CException {
public:
    explicit CTextException(const char* text) : text_(text) {}
    std::string GetErrorMessage() const override { return text_; }

private:
    const char* text_;  // a built-in text
};

extern const char* const kProxyLoginCancelText;
extern const char* const kProgramDirectoryUnknownText;
extern const char* const kDataDirectoryUnknownText;

// The client met a proxy that wants credentials and had none to give.
class CProxyLoginCancelException : public CTextException {
public:
    CProxyLoginCancelException() : CTextException(kProxyLoginCancelText) {}
};

// The program or data directory could not be resolved.
class CDirectoryException : public CTextException {
public:
    using CTextException::CTextException;
};

}  // namespace frame
