#include "transport/HttpRequestUtil.h"

#include <atomic>
#include <cwchar>

#include "frame/host/Directories.h"
#include "errors/Exceptions.h"
#include "contract/ClientBounds.h"
#include "log/LogSinks.h"
#include "log/LogWriter.h"
#include "cipher/Crypt.h"
#include "transport/ProxyDialogFlag.h"
#include "win32/Files.h"
#include "win32/Handle.h"
#include "win32/NamedMutex.h"
#include "win32/Process.h"
#include "win32/SlimLock.h"
#include "win32/Strings.h"

namespace HttpUtility {

const char* const kExchangeMutexName = "CHttpRequestUtilMutex";

namespace {
const char* const kSource = "HttpRequestUtil";
const char* const kExecute = "HttpUtility::CHttpRequestUtil::Execute";

// Created when the library loads: every exchange of the process meets the one object, and a
// name that another user's host holds is found out before the first request. When it could not
// be had, each request tries again (under g_exchangeMutexLock); once had, it never changes.
win32::SlimLock g_exchangeMutexLock;
// The name is the user's whole session's: any process may hold it, a frozen or hostile one for
// ever. Longer than any exchange takes without a person at the proxy dialog (every route and
// redirect at the client's time limits); past it the request fails instead of hanging the host.
constexpr DWORD kExchangeMutexWaitMs = 5 * 60 * 1000;
win32::NamedMutex g_exchangeMutex(kExchangeMutexName);

// Set while this thread is inside Execute. A window handler that the thread runs while it waits
// (for the lock, for the client) must not start a second exchange: the mutex lets its owner in
// again, and the nested client would run over the outer request's files.
thread_local bool t_inExchange = false;

class ExchangeMark {
public:
    ExchangeMark() { t_inExchange = true; }
    ~ExchangeMark() { t_inExchange = false; }
    ExchangeMark(const ExchangeMark&) = delete;
    ExchangeMark& operator=(const ExchangeMark&) = delete;
};

// Why this thread may not start an exchange now; nullptr when it may. A thread that is handing
// a record to the log window holds the hand-off: waiting for the exchange there could wait on a
// thread whose own log entry waits for the hand-off.
const char* ReasonNotToExchange() {
    if (t_inExchange) return "このスレッドでは要求を処理中です";
    if (logging::IsHandingOffOnThisThread()) return "このスレッドではログを受け渡し中です";
    return nullptr;
}

bool PassesUnencoded(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The statuses an HTTP answer can have; any other exit code is no answer at all (a crash's code,
// a client that exited 0).
bool IsHttpStatus(DWORD exitCode) {
    return exitCode >= 100 && exitCode <= 599;
}

// The client ends by its own bounds (contract/ClientBounds.h); one that has not by the library's,
// longer than all of them together, is hung or a stranger's: it is ended, so the host's call ends.
DWORD AwaitClient(HANDLE process, bool& timedOut) {
    const win32::ProcessEnd end = win32::AwaitExitWithin(
        process,
        contract::BoundFromEnvironment(contract::kClientWaitMsSetting, contract::kClientWaitMs),
        true, contract::kExitNoStatus);
    timedOut = !end.endedItself;
    return end.exitCode;
}
}  // namespace

HANDLE ExchangeMutex() {
    win32::SlimLockGuard guard(g_exchangeMutexLock);
    if (!g_exchangeMutex.valid()) g_exchangeMutex = win32::NamedMutex(kExchangeMutexName);
    return g_exchangeMutex.get();
}

namespace {
DWORD ExchangeMutexError() {
    win32::SlimLockGuard guard(g_exchangeMutexLock);
    return g_exchangeMutex.error();
}
}  // namespace

void CHttpRequestUtil::SetParameter(const std::string& name, const std::string& value) {
    parameters_[name] = value;
}

void CHttpRequestUtil::SetParameter(const std::string& name, int value) {
    parameters_[name] = win32::Format("%d", value);
}

void CHttpRequestUtil::UrlEncode(std::string& text) {
    std::string encoded;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '\0') break;
        if (PassesUnencoded(byte))
            encoded += c;
        else if (byte == ' ')
            encoded += '+';
        else
            encoded += win32::Format("%%%02X", byte);
    }
    text.swap(encoded);
}

std::string CHttpRequestUtil::BuildQuery() const {
    std::string query;
    for (const auto& parameter : parameters_) {
        std::string name = converter_ ? converter_(parameter.first) : parameter.first;
        std::string value = converter_ ? converter_(parameter.second) : parameter.second;
        UrlEncode(name);
        UrlEncode(value);
        query += name + "=" + value + "&";
    }
    return query;
}

std::string CHttpRequestUtil::BuildRequestText() const {
    return std::string(contract::kUrlKey) + url_ + "\n" + contract::kQueryKey + BuildQuery() +
           "\n" + contract::kShowProxyDialogKey +
           (transport::GetProxyDialogFlag() ? "true" : "false") + "\n";
}

namespace {
// Counts the process's exchanges: each request object's files have names of their own.
std::atomic<unsigned long> g_exchangeCount{0};

std::wstring ExchangeFileName(const wchar_t* format, DWORD thread, unsigned long exchange) {
    wchar_t name[64];
    swprintf(name, sizeof name / sizeof name[0], format, GetCurrentProcessId(), thread, exchange);
    return name;
}

// The host process that named an exchange file, 0 for a name no exchange gives.
DWORD HostOfExchangeFile(const std::wstring& name) {
    unsigned long process = 0, thread = 0, exchange = 0;
    for (const wchar_t* format : {contract::kRequestFileFormat, contract::kResponseFileFormat}) {
        if (swscanf(name.c_str(), format, &process, &thread, &exchange) != 3) continue;
        wchar_t expected[64];
        swprintf(expected, sizeof expected / sizeof expected[0], format, process, thread, exchange);
        if (name == expected) return process;
    }
    return 0;
}

// A host killed mid-exchange (and its client, if that died too) left its files; the request
// holds a password. A running host's files are in use.
void DeleteAbandonedExchangeFiles(const std::wstring& folder) {
    win32::DeleteFilesOfEndedWriters(folder, L"pmq*", HostOfExchangeFile);
}

// Both files go whatever the exchange came to: a refusal, a client that crashed, an exception.
class ExchangeFilesCleanup {
public:
    explicit ExchangeFilesCleanup(CHttpRequestUtil& request) : request_(request) {}
    ~ExchangeFilesCleanup() {
        request_.DeleteRequestFile();
        request_.DeleteResponseFile();
    }
    ExchangeFilesCleanup(const ExchangeFilesCleanup&) = delete;
    ExchangeFilesCleanup& operator=(const ExchangeFilesCleanup&) = delete;

private:
    CHttpRequestUtil& request_;
};
}  // namespace

CHttpRequestUtil::CHttpRequestUtil(std::string url)
    : thread_(GetCurrentThreadId()), exchange_(++g_exchangeCount), url_(std::move(url)) {}

// Read once per request object: its client and its files stay where they were, even while the
// host changes the program directory.
void CHttpRequestUtil::ResolveFolders() {
    if (programDirectory_.empty()) programDirectory_ = frame::RequireProgramDirectory();
    if (exchangeDirectory_.empty()) exchangeDirectory_ = frame::GetExchangeDirectory();
}

std::wstring CHttpRequestUtil::GetRequestFilePath() {
    ResolveFolders();
    return exchangeDirectory_ + L"\\" +
           ExchangeFileName(contract::kRequestFileFormat, thread_, exchange_);
}
std::wstring CHttpRequestUtil::GetResponseFilePath() {
    ResolveFolders();
    return exchangeDirectory_ + L"\\" +
           ExchangeFileName(contract::kResponseFileFormat, thread_, exchange_);
}
std::wstring CHttpRequestUtil::GetClientPath() {
    ResolveFolders();
    return programDirectory_ + L"\\" + win32::ToWide(contract::kClientProgram);
}

bool CHttpRequestUtil::BeginRequest() {
    std::string cipher;
    const std::string request = BuildRequestText();
    if (!storage::CCrypt().Generate(cipher, request, true)) {
        // The entry the cipher has always logged for a request too large for its buffer.
        if (request.size() > static_cast<size_t>(storage::CCrypt::kMaxLength))
            logging::Write("暗号化するサイズがINT_MAXを超えています。",
                           {"CCrypt::Generate", "Crypt", logging::Kind::kError, 2});
        return false;
    }
    // A short write would hand the client a truncated request: the kit then deletes the part
    // written, since part of a secret is still a secret. Only this user may read it, whatever
    // the folder grants.
    if (!win32::WriteWholeFile(GetRequestFilePath(), cipher, false,
                               win32::FileAccess::kOwnerOnly)) {
        logging::Write("ファイルの作成に失敗＞＜", {"HttpUtility::CHttpRequestUtil::BeginRequest",
                                                    kSource, logging::Kind::kError, 2});
        return false;
    }
    return true;
}

void CHttpRequestUtil::DeleteRequestFile() {
    win32::DeleteFileAt(GetRequestFilePath());
}

std::wstring CHttpRequestUtil::ClientCommandLine() {
    auto quoted = [](const std::wstring& path) { return L"\"" + path + L"\""; };
    return quoted(GetClientPath()) + L" " + quoted(GetRequestFilePath()) + L" " +
           quoted(GetResponseFilePath());
}

DWORD CHttpRequestUtil::RunClient() {
    clientTimedOut_ = false;
    const std::wstring program = GetClientPath();
    if (!win32::PathExists(program)) return kClientNotStarted;
    // The program is named explicitly and every path is quoted (no file name holds a quote): a
    // directory with spaces must never make the system try a different program
    // ("C:\Program.exe") or split a path in two.
    win32::KernelHandle process = win32::StartProcess(program, ClientCommandLine());
    if (!process) return kClientNotStarted;
    // The client may sit in its proxy dialog for minutes: this thread still answers the
    // notifications of a log window that it owns.
    return AwaitClient(process.get(), clientTimedOut_);
}

bool CHttpRequestUtil::ReadResponse(std::string& text) {
    text.clear();
    std::string bytes;
    if (!win32::ReadWholeFile(GetResponseFilePath(), bytes, FILE_SHARE_READ,
                              contract::kMaxAnswerBytes))
        return false;
    // Line breaks (LF or CR LF) carry no meaning in an answer: the lines are joined.
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') continue;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return true;
}

void CHttpRequestUtil::DeleteResponseFile() {
    const std::wstring path = GetResponseFilePath();
    if (win32::PathExists(path)) win32::DeleteFileAt(path);
}

bool CHttpRequestUtil::Execute() {
    if (const char* reason = ReasonNotToExchange()) {
        logging::Write(reason, {kExecute, kSource, logging::Kind::kError, 2});
        statusCode_ = 0;
        return false;
    }
    ExchangeMark mark;
    // Without the lock another host could overwrite this request with its own: one account's
    // credentials sent on another's behalf. No lock, no exchange.
    HANDLE mutex = ExchangeMutex();
    if (mutex == nullptr) {
        logging::Write(win32::Format("排他制御のミューテックスを作成できませんでした（%lu）",
                                     ExchangeMutexError()),
                       {kExecute, kSource, logging::Kind::kError, 2});
        statusCode_ = 0;
        return false;
    }
    win32::MutexLock lock(mutex, win32::MutexLock::Wait::kAnsweringSentMessages,
                          kExchangeMutexWaitMs);
    if (!lock.acquired()) {
        // The bound passing reads as the system's own code for it (258).
        const DWORD reason = lock.waitResult() == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
        logging::Write(win32::Format("排他制御のミューテックスを待てませんでした（%lu）", reason),
                       {kExecute, kSource, logging::Kind::kError, 2});
        statusCode_ = 0;
        return false;
    }
    programDirectory_ = frame::RequireProgramDirectory();
    exchangeDirectory_ = frame::GetExchangeDirectory();
    DeleteAbandonedExchangeFiles(exchangeDirectory_);
    // Whatever the client did with the request (crashed before reading it, gave up early), the
    // password in it must not wait on disk; nor may an answer outlive its exchange.
    ExchangeFilesCleanup cleanup(*this);
    if (!BeginRequest()) {
        statusCode_ = 0;
        return false;
    }
    // An answer a killed exchange of an earlier process with this one's ids left must not be
    // taken for this request's answer.
    DeleteResponseFile();
    DWORD exitCode = RunClient();
    DeleteRequestFile();
    return TakeClientEnd(exitCode);
}

bool CHttpRequestUtil::TakeClientEnd(DWORD exitCode) {
    if (clientTimedOut_) {
        // The bound passing reads as the system's own code for it (258), as the mutex's does.
        logging::Write("クライアントが時間内に終わらなかったため終了させました（258）",
                       {kExecute, kSource, logging::Kind::kError, 2});
        DeleteResponseFile();
        errorCode_ = kErrorClientTimedOut;
        return false;
    }
    if (exitCode == kClientNotStarted) {
        errorCode_ = kErrorClientMissing;
        return false;
    }
    // Whatever such a client left is no answer to this request.
    if (!IsHttpStatus(exitCode) || exitCode == kExitProxyAuthRequired) DeleteResponseFile();
    if (exitCode == kExitNoStatus) {
        errorCode_ = kErrorNoStatus;
        return false;
    }
    if (exitCode == kExitProxyAuthRequired) throw frame::CProxyLoginCancelException();
    statusCode_ = exitCode;
    if (!IsHttpStatus(exitCode)) {
        errorCode_ = kErrorHttpStatus;
        return false;
    }
    std::string text;
    const bool read = ReadResponse(text);
    const DWORD readError = GetLastError();
    transport::SetProxyDialogFlag(false);
    if (read) {
        response_ = text;
    } else if (readError != ERROR_FILE_NOT_FOUND && readError != ERROR_PATH_NOT_FOUND) {
        // An answer that is there but cannot be taken (too large, unreadable) is no answer: a
        // login must not read it as a refusal.
        errorCode_ = kErrorNoStatus;
        return false;
    }
    if (statusCode_ < 400) return true;
    errorCode_ = kErrorHttpStatus;
    return false;
}

}  // namespace HttpUtility
