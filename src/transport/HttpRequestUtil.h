// One service request through the client program: the request text is encrypted into a request
// file of this exchange's own in the user's exchange folder, "pmqclient.exe" (from the program
// directory, which is only read) carries it to the service and leaves the answer in the response
// file the command line names, and its exit code is the HTTP status. Exchanges still run one at
// a time across every thread and process of the logon, under the named mutex
// "CHttpRequestUtilMutex".
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "transport/RequestText.h"

namespace HttpUtility {

// Why an exchange failed: the number hosts read in the parentheses of their message.
enum ExchangeError : int {
    kErrorNotMade = 0,        // no request was made: no lock, no request file written, or this
                              // thread was inside a request already
    kErrorNoStatus = 3,       // no usable answer: exit code 1234, or an answer file that is
                              // too large or cannot be read
    kErrorHttpStatus = 5,     // status 400 to 599, or an exit code that is no HTTP status
                              // (0, a crashed client's)
    kErrorClientMissing = 7,  // the client program is missing or cannot be started
    kErrorClientTimedOut = 9  // the client ran past every bound it has; the library ended it
};

// Statuses from 200 to 399 mean the service handled the request: the one rule by which a status
// counts as success. (A status from 100 to 199 completes an exchange but is no success.)
inline bool IsSuccessStatus(DWORD status) {
    return status >= 200 && status <= 399;
}

// What one exchange came to; every way out of Execute makes the whole of it.
struct ExchangeOutcome {
    // The client's exit code when it ended by itself with one (an HTTP status, or the code of a
    // client that gave none); 0 when no client ran, the library ended it, or it exited 1234.
    DWORD status = 0;
    // Why the exchange failed; none when the client answered with a status below 400.
    std::optional<ExchangeError> error;
    // The answer file's lines joined without their line breaks; "" when there was none to take.
    std::string answer;

    bool ok() const { return !error && IsSuccessStatus(status); }
};

class CHttpRequestUtil {
public:
    explicit CHttpRequestUtil(std::string url);
    CHttpRequestUtil(const CHttpRequestUtil&) = delete;
    CHttpRequestUtil& operator=(const CHttpRequestUtil&) = delete;

    // Parameters go out in the order first set; a name set again takes the new value in its place.
    void SetParameter(const std::string& name, const std::string& value);
    void SetParameter(const std::string& name, int value);
    void SetConverter(Converter converter) { converter_ = converter; }

    // One whole exchange. Throws CProxyLoginCancelException when the client reports 407, and
    // a CException when the program or exchange folder cannot be had.
    ExchangeOutcome Execute();

private:
    // The names of this object's files: the process's, the creating thread's and its count.
    const DWORD thread_;
    const unsigned long exchange_;
    std::string url_;
    QueryParameters parameters_;
    Converter converter_ = nullptr;
};

// The mutex that serialises exchanges; created when the library loads (NULL when the name is
// held by an object this user may not use).
HANDLE ExchangeMutex();
extern const char* const kExchangeMutexName;

}  // namespace HttpUtility
