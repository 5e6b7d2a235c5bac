// Root of the library's exception family: a failure that ends a flow. Exceptions are thrown by
// value and caught by reference. Each carries at most two texts: the one the host's last error
// gets and the one written to the log.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

class CException {
public:
    virtual ~CException() = default;

    // The text for the host's last error; kinds that give the host none leave the default "".
    virtual std::string GetErrorMessage() const { return std::string(); }

    // The text for the log: the host's text unless the kind keeps a reason for the log alone.
    virtual std::string Reason() const { return GetErrorMessage(); }
};

// A failed platform call inside the library, carrying its HRESULT; its text is the system's.
class CHResultException : public CException {
public:
    explicit CHResultException(HRESULT result) : result_(result) {}
    HRESULT Result() const { return result_; }
    std::string GetErrorMessage() const override;

private:
    HRESULT result_;
};

}  // namespace win32
