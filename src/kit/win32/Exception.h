// Root of the library's exception family: a failure that ends a flow. Exceptions are thrown by
// value and caught by reference. Each carries what it tells whom as data, set by the kind's
// constructor, so that every place that reports a failure (the login flows' last error, an
// export's log entry, a dialog's message box) reads the same fields instead of sorting kinds.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "pelmora.h"

namespace win32 {

struct ErrorReport {
    int hostCode = PELMORA_ERROR_OTHER;  // the last error a login flow records
    std::string hostText;                // its message; "" for a kind that gives the host none
    std::string logText;                 // what an export's log entry says of the failure
    bool logged = false;  // its finding is in the log already: the login flows add no entry
};

class CException {
public:
    explicit CException(ErrorReport report) : report_(std::move(report)) {}
    // A failure the host hears of as "other" with `text`, which the log says too.
    explicit CException(const std::string& text)
        : CException(ErrorReport{PELMORA_ERROR_OTHER, text, text, false}) {}
    virtual ~CException() = default;

    const ErrorReport& Report() const { return report_; }

private:
    ErrorReport report_;
};

// A failed platform call inside the library: an "other" failure with the system's text for
// `result`.
CException HResultError(HRESULT result);

// The report of the exception being handled; call only inside a catch block. One of ours gives
// its own; any other exception is "other" without a text for the host (a standard one gives its
// what() to the log), since its text was never written for a user.
ErrorReport DescribeCurrentException();

}  // namespace win32
