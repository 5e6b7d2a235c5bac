#include "login/LoginManager.h"

#include <windows.h>

#include "frame/host/Directories.h"
#include "frame/host/HostContextLock.h"
#include "log/LogWriter.h"
#include "storage/ExclusiveFile.h"
#include "win32/Files.h"
#include "win32/Strings.h"

namespace login {
namespace {

using logging::Kind;

constexpr const char* kSource = "Login";
constexpr const char* kKeyCompanyId = "会社ID";
constexpr const char* kKeyPassword = "ﾊﾟｽﾜｰﾄﾞ";
constexpr const char* kKeyUserName = "使用者名";
constexpr const char* kKeySave = "保存";

std::shared_ptr<const LOGIN_INFO> g_current;  // under the host context lock

// The four lines, each "key=value"; `lineEnd` is CRLF on disk and LF in the log.
std::string FileText(const LOGIN_INFO& info, const std::string& password, const char* lineEnd) {
    std::string text;
    auto line = [&](const char* key, const std::string& value) {
        text += key;
        text += '=';
        text += value;
        text += lineEnd;
    };
    line(kKeyCompanyId, info.companyId);
    line(kKeyPassword, password);
    line(kKeyUserName, info.userName);
    line(kKeySave, info.saveFlag ? "true" : "false");
    return text;
}

// The rest of `line` after `key` and the one character behind it, when `line` starts with key.
bool ValueAfterKey(const std::string& line, const char* key, std::string& value) {
    const std::string k(key);
    if (line.compare(0, k.size(), k) != 0) return false;
    value = line.size() > k.size() ? line.substr(k.size() + 1) : std::string();
    return true;
}

void ApplyLine(const std::string& line, LOGIN_INFO& info) {
    std::string value;
    if (ValueAfterKey(line, kKeyCompanyId, value)) {
        info.companyId = value;
    } else if (ValueAfterKey(line, kKeyPassword, value)) {
        info.password = value;
    } else if (ValueAfterKey(line, kKeyUserName, value)) {
        info.userName = value;
    } else if (ValueAfterKey(line, kKeySave, value)) {
        info.saveFlag = value == "true";
    }
}

void LogLoaded(const LOGIN_INFO& info) {
    const char* function = "CLoginManager::Load";
    logging::Write("ログイン情報の読み込んだデータ", {function, kSource, Kind::kStep, 1});
    logging::Write("会社ID:\t" + info.companyId, {function, kSource, Kind::kDetail, 2});
    logging::Write(std::string("パスワード:\t") + logging::kPasswordMask,
                   {function, kSource, Kind::kDetail, 2});
    logging::Write("ユーザー名：\t" + info.userName, {function, kSource, Kind::kDetail, 2});
    logging::Write(std::string("保存：\t") + (info.saveFlag ? "true" : "false"),
                   {function, kSource, Kind::kDetail, 2});
}

}  // namespace

std::wstring CLoginManager::GetFilePath() {
    return frame::GetDataDirectory() + L"\\Login.dat";
}

bool CLoginManager::Save() {
    const char* function = "CLoginManager::Save";
    const std::shared_ptr<const LOGIN_INFO> current = GetLoginInfo();
    if (!current) return false;
    const std::wstring path = GetFilePath();
    logging::Write("ログイン情報の保存", {function, kSource, Kind::kStep, 3});
    logging::Write("ログイン情報のパス：\t" + win32::ToNarrow(path),
                   {function, kSource, Kind::kFinding, 3});

    if (!storage::ReplaceFileExclusive(path, FileText(*current, current->password, "\r\n"))) {
        logging::Write("ファイルの保存失敗！", {function, kSource, Kind::kError, 3});
        return false;
    }
    // The saved text as it stands in the file, with the password masked.
    logging::Write(
        "ログイン情報の保存データ：\t" + FileText(*current, logging::kPasswordMask, "\n"),
        {function, kSource, Kind::kFinding, 3});
    return true;
}

bool CLoginManager::Load() {
    return ReadFileIntoCurrent() != nullptr;
}

std::shared_ptr<const LOGIN_INFO> CLoginManager::LoadAndGet() {
    std::shared_ptr<const LOGIN_INFO> loaded = ReadFileIntoCurrent();
    return loaded != nullptr ? loaded : GetLoginInfo();
}

std::shared_ptr<const LOGIN_INFO> CLoginManager::ReadFileIntoCurrent() {
    const char* function = "CLoginManager::Load";
    const std::wstring path = GetFilePath();
    logging::Write("ログイン情報の読み込み", {function, kSource, Kind::kStep, 1});
    logging::Write("ログイン情報のパス\t" + win32::ToNarrow(path),
                   {function, kSource, Kind::kFinding, 1});

    std::string content;
    if (!storage::ReadFileExclusive(path, content)) {
        logging::Write("ログインファイルがありませんでした。",
                       {function, kSource, Kind::kFinding, 1});
        return nullptr;
    }
    auto info = std::make_shared<LOGIN_INFO>();
    for (const std::string& line : win32::SplitLines(content)) ApplyLine(line, *info);
    LogLoaded(*info);
    SetLoginInfo(info);
    return info;
}

bool CLoginManager::Remove() {
    const std::wstring path = GetFilePath();
    win32::DeleteAbandonedTemporaries(path);
    if (win32::PathExists(path)) storage::DeleteFileExclusive(path);
    return !win32::PathExists(path);
}

std::shared_ptr<const LOGIN_INFO> CLoginManager::GetLoginInfo() {
    frame::HostContextGuard guard(frame::HostContextLock());
    return g_current;
}

// The record that goes is released after the lock: its last owner may be this call.
void CLoginManager::SetLoginInfo(std::shared_ptr<const LOGIN_INFO> info) {
    frame::HostContextGuard guard(frame::HostContextLock());
    g_current.swap(info);
}

void CLoginManager::ClearLoginInfo() {
    SetLoginInfo(nullptr);
}

}  // namespace login
