// Helpers shared by the test suites: files in the test's own Wine prefix, byte-exact texts,
// guard-byte buffers and awaiting a condition instead of sleeping.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Whole file as bytes; "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A fresh empty directory under the system temp folder, removed with its files at scope end.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Polls `condition` until it holds or `limitMs` passes; true when it held. The limit is only a
// safety net against a hang, never what the test measures.
bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = 20000);

// A buffer with guard bytes after `size` usable bytes, to prove nothing is written past it.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size, char fill = '\x5A');
    char* data() { return bytes_.data(); }
    size_t size() const { return size_; }
    bool GuardsIntact() const;
    std::string Text() const { return std::string(bytes_.data()); }

private:
    static constexpr size_t kGuard = 16;
    size_t size_;
    char fill_;
    std::vector<char> bytes_;
};

// The library's per-user data folder ("Torva Inc\\Pelmora" under the local application data
// folder), found here on its own so that a test can check where the library puts it.
std::string DataDirectory();
// A file in that folder, which is created first if missing (a test may run first in a prefix).
std::string DataFile(const std::string& name);

// The directory that holds the running test executable (and the DLL beside it).
std::string ExecutableDirectory();

// Starts a program with the given command line: its process handle, nullptr if not started.
HANDLE StartProcess(const std::string& commandLine);
// Waits for a process to end: its exit code.
DWORD WaitForExitCode(HANDLE process);
// Waits for a process started by one of the above and closes it: its exit code (-1 for none).
DWORD RunToExit(HANDLE process);
// Runs a program with the given command line and waits for its exit code (-1 if not started).
DWORD RunProcess(const std::string& commandLine);

}  // namespace testing_support
