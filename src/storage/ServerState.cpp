#include "storage/ServerState.h"

#include <windows.h>

#include "frame/host/Directories.h"
#include "log/LogWriter.h"
#include "storage/ExclusiveFile.h"
#include "cipher/TimeSeal.h"
#include "win32/Exception.h"
#include "win32/Files.h"
#include "win32/Strings.h"

namespace storage {

namespace {

using logging::Kind;

constexpr const char* kSource = "ServerState";

// The seal's failed step is logged here; the failure goes on to the caller.
void LogSealFailure(const char* function, const char* entry) {
    logging::Write(entry, {function, kSource, Kind::kError, 1});
}

// The log is in the code page: a folder outside it shows as the code page's nearest spelling.
std::string LogPath(const std::wstring& path) {
    return win32::ToNarrow(path);
}

// The content is sealed before the file is touched, so a sealing failure leaves the old file.
bool Stamp(const std::wstring& path, const char* function, const char* failureFormat) {
    const std::string content = EncryptCurrentTime(LogSealFailure);
    if (ReplaceFileExclusive(path, content)) return true;
    logging::Write(win32::Format(failureFormat, LogPath(path).c_str()),
                   {function, kSource, Kind::kError, 1});
    return false;
}

void Release(const std::wstring& path, const char* function) {
    if (!win32::PathExists(path)) return;
    if (DeleteFileExclusive(path)) {
        logging::Write(win32::Format("%sの削除", LogPath(path).c_str()),
                       {function, kSource, Kind::kFinding, 1});
    } else {
        logging::Write(win32::Format("%sの削除に失敗", LogPath(path).c_str()),
                       {function, kSource, Kind::kError, 1});
    }
}

bool ReadTime(const std::wstring& path, const char* function, win32::Seconds& time) {
    std::string content;
    if (!ReadFileExclusive(path, content)) {
        logging::Write(win32::Format("%sのオープンに失敗", LogPath(path).c_str()),
                       {function, kSource, Kind::kError, 1});
        return false;
    }
    time = UnsealTime(content, LogSealFailure);
    return true;
}

}  // namespace

// The doubled slash is kept as the file names have always been written in the log; the file
// functions read it as one separator.
std::wstring CServerState::GetDeadFilePath() {
    return frame::GetDataDirectory() + L"//dead.dat";
}
std::wstring CServerState::GetSubFilePath() {
    return frame::GetDataDirectory() + L"//sub.dat";
}

bool CServerState::IsDead() {
    return win32::PathExists(GetDeadFilePath());
}
bool CServerState::IsSub() {
    return win32::PathExists(GetSubFilePath());
}

bool CServerState::ToDead() {
    return Stamp(GetDeadFilePath(), "CServerState::ToDead", "%sのオープンに失敗");
}

bool CServerState::ToSub() {
    return Stamp(GetSubFilePath(), "CServerState::ToSub", "%sの作成に失敗");
}

void CServerState::ReleaseDead() {
    Release(GetDeadFilePath(), "CServerState::ReleaseDead");
}
void CServerState::ReleaseSub() {
    Release(GetSubFilePath(), "CServerState::ReleaseSub");
}

bool CServerState::GetDeadTime(win32::Seconds& time) {
    return ReadTime(GetDeadFilePath(), "CServerState::GetDeadTime", time);
}

bool CServerState::GetSubTime(win32::Seconds& time) {
    return ReadTime(GetSubFilePath(), "CServerState::GetSubTime", time);
}

}  // namespace storage
