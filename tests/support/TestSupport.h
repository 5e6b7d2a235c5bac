// Helpers shared by the test suites: files in the test's own Wine prefix, guard-byte buffers,
// processes, and awaiting a condition instead of sleeping.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "win32/Files.h"
#include "win32/Process.h"
#include "win32/Strings.h"

namespace testing_support {

// Whole file as bytes; "" when it cannot be read.
inline std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    win32::ReadWholeFile(path, bytes, FILE_SHARE_READ | FILE_SHARE_WRITE);
    return bytes;
}
inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return win32::WriteWholeFile(path, bytes);
}
inline bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh empty directory under the system temp folder, removed with its files at scope end.
class TempDirectory {
public:
    TempDirectory() {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 win32::Format("pelmora-test-%lu-%d", GetCurrentProcessId(), counter++))
                    .string();
        std::filesystem::create_directory(path_);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Polls `condition` until it holds; false after `limitMs`, a safety net that no test measures.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = 20000) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(5)) {
        if (GetTickCount() - start > limitMs) return false;
    }
    return true;
}

// `size` usable bytes and guard bytes after them, to prove nothing is written past the size.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : size_(size), bytes_(size + 16, kFill) {}
    char* data() { return bytes_.data(); }
    bool GuardsIntact() const {
        return bytes_.find_first_not_of(kFill, size_) == std::string::npos;
    }
    std::string Text() const { return bytes_.c_str(); }

private:
    static constexpr char kFill = '\x5A';
    size_t size_;
    std::string bytes_;
};

// The library's per-user data folder, found here on its own to check where the library puts it.
inline std::string DataDirectory() {
    char localAppData[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, localAppData);
    return std::string(localAppData) + "\\Torva Inc\\Pelmora";
}
// A file in that folder, which is created first (a suite may run first in a fresh prefix).
inline std::string DataFile(const std::string& name) {
    std::filesystem::create_directories(DataDirectory());
    return DataDirectory() + "\\" + name;
}
// The folder of the running test executable (and of the DLL beside it).
inline std::string ExecutableDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, std::strrchr(path, '\\'));
}

// Empty when the process did not start (win32::AwaitExitCode then reads -1).
inline win32::KernelHandle StartProcess(const std::string& commandLine) {
    return win32::StartProcess(std::wstring(), win32::ToWide(commandLine));
}

}  // namespace testing_support
