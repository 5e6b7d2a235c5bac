// The library's exception family. The connectivity checks, the request exchange, the login
// request and the server state store raise these; the login flows' catch ladder turns each
// into a last error.
#pragma once

#include <string>

#include "win32/Exception.h"

namespace frame {

using win32::CException;

class CNetworkAdapterException : public CException {};

class CInternetConnectionException : public CException {};

class CNetworkException : public CException {
public:
    CNetworkException(int code, std::string message) : code_(code), message_(std::move(message)) {}
    int GetCode() const { return code_; }
    std::string Reason() const override { return message_; }

private:
    int code_;
    std::string message_;
};

class CProxyLoginCancelException : public CException {
public:
    BOOL GetErrorMessage(char* buffer, UINT size, UINT* helpContext = nullptr) const override;
};

class CCryptException : public CException {
public:
    explicit CCryptException(std::string message) : message_(std::move(message)) {}
    // The reason goes to the log only: the host's last error gets no text for this kind.
    std::string Reason() const override { return message_; }

private:
    std::string message_;
};

// A state file whose content fails its seal or its format. Carries no text of its own.
class CFalsificationException : public CException {};

// A failure whose text is all the host needs to hear: the catch ladder records it as 1000
// with this text, the export boundary logs it.
class CTextException : public CException {
public:
    explicit CTextException(const char* text) : text_(text) {}
    BOOL GetErrorMessage(char* buffer, UINT size, UINT* helpContext = nullptr) const override;

private:
    const char* text_;  // a built-in text
};

// The program or data directory could not be resolved.
class CDirectoryException : public CTextException {
public:
    using CTextException::CTextException;
};

extern const char* const kProxyLoginCancelText;
extern const char* const kProgramDirectoryUnknownText;
extern const char* const kDataDirectoryUnknownText;

}  // namespace frame
