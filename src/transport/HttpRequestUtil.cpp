#include "transport/HttpRequestUtil.h"

#include <shlwapi.h>

#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "storage/Crypt.h"
#include "transport/ProxyDialogFlag.h"
#include "win32/Handle.h"
#include "win32/NamedMutex.h"
#include "win32/Strings.h"

namespace HttpUtility {

const char* const kExchangeMutexName = "CHttpRequestUtilMutex";

namespace {
const char* const kSource = "HttpRequestUtil";

bool PassesUnencoded(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

std::string InProgramDirectory(const char* name) {
    return frame::GetProgramDirectory() + name;
}

bool IsSuccessfulExit(DWORD status) {
    return status < 400;
}
}  // namespace

HANDLE ExchangeMutex() {
    static win32::NamedMutex mutex(kExchangeMutexName);
    return mutex.get();
}

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
    return "url:" + url_ + "\nquery:" + BuildQuery() +
           "\nshowproxydlg:" + (transport::GetProxyDialogFlag() ? "true" : "false") + "\n";
}

std::string CHttpRequestUtil::GetRequestFilePath() {
    return InProgramDirectory("\\pmqrequest.dat");
}
std::string CHttpRequestUtil::GetResponseFilePath() {
    return InProgramDirectory("\\pmqresponse.xml");
}
std::string CHttpRequestUtil::GetClientPath() {
    return InProgramDirectory("\\pmqclient.exe");
}

bool CHttpRequestUtil::BeginRequest() const {
    std::string cipher;
    if (!storage::CCrypt().Generate(cipher, BuildRequestText(), true)) return false;
    win32::FileHandle file(CreateFileA(GetRequestFilePath().c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    // A short write would hand the client a truncated request: treat it as a failure too.
    if (!file ||
        !WriteFile(file.get(), cipher.data(), static_cast<DWORD>(cipher.size()), &written,
                   nullptr) ||
        written != cipher.size()) {
        logging::LogError("ファイルの作成に失敗＞＜", "HttpUtility::CHttpRequestUtil::BeginRequest",
                          kSource, 2);
        return false;
    }
    return true;
}

DWORD CHttpRequestUtil::RunClient() {
    std::string client = GetClientPath();
    if (!PathFileExistsA(client.c_str())) return kClientNotStarted;
    // The program is named explicitly and quoted: a directory with spaces must never make the
    // system try a different program ("C:\Program.exe").
    std::string commandLine = "\"" + client + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(client.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started))
        return kClientNotStarted;
    win32::KernelHandle process(started.hProcess);
    win32::KernelHandle thread(started.hThread);
    thread.reset();
    WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = kClientNotStarted;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

bool CHttpRequestUtil::ReadResponse(std::string& text) {
    text.clear();
    win32::FileHandle file(CreateFileA(GetResponseFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    // Line breaks (LF or CR LF) carry no meaning in an answer: the lines are joined.
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') continue;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return true;
}

void CHttpRequestUtil::DeleteResponseFile() {
    std::string path = GetResponseFilePath();
    if (PathFileExistsA(path.c_str())) DeleteFileA(path.c_str());
}

bool CHttpRequestUtil::Execute() {
    win32::MutexLock lock(ExchangeMutex());
    if (!BeginRequest()) {
        statusCode_ = 0;
        return false;
    }
    // An answer left by an exchange that never finished (its process killed, its client
    // failed) must not be taken for this request's answer.
    DeleteResponseFile();
    DWORD exitCode = RunClient();
    if (exitCode == kExitNoStatus) {
        errorCode_ = kErrorNoStatus;
        return false;
    }
    if (exitCode == kClientNotStarted) {
        errorCode_ = kErrorClientMissing;
        return false;
    }
    if (exitCode == kExitProxyAuthRequired) throw frame::CProxyLoginCancelException();
    statusCode_ = exitCode;
    std::string text;
    if (ReadResponse(text)) {
        response_ = text;
        DeleteResponseFile();
    }
    transport::SetProxyDialogFlag(false);
    if (IsSuccessfulExit(statusCode_)) return true;
    errorCode_ = kErrorHttpStatus;
    return false;
}

}  // namespace HttpUtility
