#include "support/TestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>

#include "win32/Files.h"
#include "win32/Process.h"
#include "win32/Strings.h"

namespace testing_support {

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    win32::ReadWholeFile(path, bytes, FILE_SHARE_READ | FILE_SHARE_WRITE);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return win32::WriteWholeFile(path, bytes);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TempDirectory::TempDirectory() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + "pelmora-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDirectory::~TempDirectory() {
    std::string from = path_ + std::string(1, '\0');  // SHFileOperation wants a double NUL
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationA(&operation);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs) return false;
        Sleep(5);
    }
    return true;
}

GuardedBuffer::GuardedBuffer(size_t size, char fill)
    : size_(size), fill_(fill), bytes_(size + kGuard, fill) {}

bool GuardedBuffer::GuardsIntact() const {
    return std::all_of(bytes_.begin() + size_, bytes_.end(), [this](char c) { return c == fill_; });
}

std::string DataDirectory() {
    char localAppData[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, localAppData);
    return std::string(localAppData) + "\\Torva Inc\\Pelmora";
}

std::string DataFile(const std::string& name) {
    const std::string directory = DataDirectory();
    CreateDirectoryA(directory.substr(0, directory.rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory + "\\" + name;
}

std::string ExecutableDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path);
    return result.substr(0, result.find_last_of('\\'));
}

HANDLE StartProcess(const std::string& commandLine) {
    return win32::StartProcess(std::wstring(), win32::ToWide(commandLine)).release();
}

DWORD WaitForExitCode(HANDLE process) {
    return win32::AwaitExitCode(process);
}

DWORD RunToExit(HANDLE process) {
    if (process == nullptr) return static_cast<DWORD>(-1);
    DWORD code = WaitForExitCode(process);
    CloseHandle(process);
    return code;
}

DWORD RunProcess(const std::string& commandLine) {
    return RunToExit(StartProcess(commandLine));
}

}  // namespace testing_support
