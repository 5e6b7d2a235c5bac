// Root of the library's exception family. Exceptions are thrown by value and caught by
// reference; a class that has a text for the user overrides GetErrorMessage.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

class CException {
public:
    virtual ~CException() = default;

    // Copies the exception's text into `buffer` (at most `size` bytes with its NUL). The base
    // class has no text: it leaves "" and returns FALSE.
    virtual BOOL GetErrorMessage(char* buffer, UINT size, UINT* helpContext = nullptr) const;

    // The text through a buffer of `size` bytes, as the catch clauses read it.
    std::string ErrorText(UINT size) const;

    // The whole reason, for a log entry: by default the error message; kinds that carry their
    // reason in a member of their own (and give the host no message) return that member.
    virtual std::string Reason() const { return ErrorText(1024); }
};

// A failed platform call inside the library, carrying its HRESULT; its text is the system's.
class CHResultException : public CException {
public:
    explicit CHResultException(HRESULT result) : result_(result) {}
    HRESULT Result() const { return result_; }
    BOOL GetErrorMessage(char* buffer, UINT size, UINT* helpContext = nullptr) const override;

private:
    HRESULT result_;
};

// The system's text for an error code, without the trailing line break; the number itself when
// there is no text.
std::string SystemMessageText(DWORD code);

// Copies `text` into the buffer, cut to fit; FALSE only when nothing fits.
BOOL CopyTextCut(char* buffer, UINT size, const std::string& text);

}  // namespace win32
