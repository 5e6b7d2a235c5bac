// One service request through the client program: the request text is encrypted into a request
// file of this exchange's own in the user's exchange folder, "pmqclient.exe" (from the program
// directory, which is only read) carries it to the service and leaves the answer in the response
// file the command line names, and its exit code is the HTTP status. Exchanges still run one at
// a time across every thread and process of the logon, under the named mutex
// "CHttpRequestUtilMutex".
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>

#include "contract/ClientContract.h"

namespace HttpUtility {

class CHttpRequestUtil {
public:
    // Applied to every parameter name and value before percent-encoding (win32::ThreadAnsiToUtf8).
    using Converter = std::string (*)(const std::string&);

    enum ErrorCode : int {
        kErrorNone = 0,
        kErrorNoStatus = 3,       // no usable answer: exit code 1234, or an answer file that is
                                  // too large or cannot be read
        kErrorHttpStatus = 5,     // status 400 to 599, or an exit code that is no HTTP status
                                  // (0, a crashed client's)
        kErrorClientMissing = 7,  // the client program is missing or cannot be started
        kErrorClientTimedOut = 9  // the client ran past every bound it has; the library ended it
    };
    static constexpr DWORD kExitNoStatus = contract::kExitNoStatus;
    static constexpr DWORD kExitProxyAuthRequired = contract::kExitProxyAuthRequired;
    static constexpr DWORD kClientNotStarted = 0xFFFFFFFF;

    explicit CHttpRequestUtil(std::string url);
    CHttpRequestUtil(const CHttpRequestUtil&) = delete;
    CHttpRequestUtil& operator=(const CHttpRequestUtil&) = delete;

    void SetParameter(const std::string& name, const std::string& value);
    void SetParameter(const std::string& name, int value);
    void SetConverter(Converter converter) { converter_ = converter; }

    // name=value& for each parameter, converted and percent-encoded; "" without parameters.
    std::string BuildQuery() const;
    // "url:...\nquery:...\nshowproxydlg:true|false\n", the proxy switch read now.
    std::string BuildRequestText() const;
    // Encrypts the request text into the request file. A file that could not be written whole
    // is deleted.
    bool BeginRequest();

    // One whole exchange. False with GetErrorCode() telling why (0 when the request file could
    // not be written). Throws CProxyLoginCancelException when the client reports 407.
    bool Execute();

    DWORD GetStatusCode() const { return statusCode_; }
    int GetErrorCode() const { return errorCode_; }
    std::string GetResponse() const { return response_; }

    // Letters, digits, "_", "." and "-" stay, a space becomes "+", every other byte "%XX".
    static void UrlEncode(std::string& text);

    // This exchange's files in the exchange folder, and the client in the program directory, as
    // this object first resolved them (a CException when a folder cannot be had).
    std::wstring GetRequestFilePath();
    std::wstring GetResponseFilePath();
    std::wstring GetClientPath();
    // "<client>" "<request>" "<response>", each path quoted.
    std::wstring ClientCommandLine();

    // Starts the client and waits for it; its exit code, or kClientNotStarted.
    DWORD RunClient();
    // The response file's lines joined without their line breaks; "" and false when missing,
    // unreadable or larger than contract::kMaxAnswerBytes (GetLastError tells which).
    bool ReadResponse(std::string& text);
    void DeleteResponseFile();
    void DeleteRequestFile();

private:
    void ResolveFolders();
    // The exchange's result from how the client ended; throws on 407.
    bool TakeClientEnd(DWORD exitCode);

    // The names of this object's files: the process's, the creating thread's and its count.
    const DWORD thread_;
    const unsigned long exchange_;
    std::wstring programDirectory_;
    std::wstring exchangeDirectory_;
    std::string url_;
    std::unordered_map<std::string, std::string> parameters_;
    Converter converter_ = nullptr;
    DWORD statusCode_ = 0;
    std::string response_;
    int errorCode_ = kErrorNone;
    bool clientTimedOut_ = false;  // the last RunClient ended the client itself
};

// Statuses from 200 to 399 mean the service handled the request. The exchange itself fails only
// from 400 on; its callers go on only with these.
inline bool IsSuccessStatus(DWORD status) {
    return status >= 200 && status <= 399;
}

// The mutex that serialises exchanges; created when the library loads (NULL when the name is
// held by an object this user may not use).
HANDLE ExchangeMutex();
extern const char* const kExchangeMutexName;

}  // namespace HttpUtility
