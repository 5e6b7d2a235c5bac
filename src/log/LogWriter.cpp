#include "log/LogWriter.h"

#include <atomic>
#include <cstring>

#include "log/LogSinks.h"
#include "log/TimeStamp.h"
#include "win32/SlimLock.h"

namespace logging {
namespace {
// Any thread may change a setting while others log: each entry reads each setting once.
std::atomic<bool> g_loggingOn{true};
std::atomic<HWND> g_window{nullptr};
std::atomic<HANDLE> g_file{nullptr};
// Held shared by every write to the host's file, exclusively to change the file: once the host
// has set another file (or none), no line of ours can reach the one it set before, even after it
// closed that handle and the system gave its value to another file.
win32::SlimLock g_fileInUse;

void CopyField(char (&field)[256], const char* text) {
    if (text == nullptr) return;
    // Cut by byte count: a double-byte character at the boundary may be split, as hosts expect.
    size_t length = strnlen(text, sizeof field - 1);
    std::memcpy(field, text, length);
}
}  // namespace

const char* const kPasswordMask = "********";

void BuildRecord(LOG_RECORD& record, const char* message, const Entry& entry) {
    std::memset(&record, 0, sizeof record);
    CopyField(record.message, message);
    CopyField(record.function, entry.function);
    CopyField(record.source, entry.source);
    record.line = entry.line;
    const char* now = CurrentTimeStamp();
    std::memcpy(record.time, now, strnlen(now, sizeof record.time - 1));
    record.indent = entry.indent;
    record.kind = static_cast<int>(entry.kind);
    record.flag = entry.flag;
}

void Write(const char* message, const Entry& entry) {
    if (!g_loggingOn.load(std::memory_order_relaxed)) return;
    LOG_RECORD record;
    BuildRecord(record, message, entry);
    {
        win32::SlimLockSharedGuard writing(g_fileInUse);
        if (HANDLE file = g_file.load()) WriteLogFile(file, record);
    }
    if (HWND window = g_window.load()) NotifyLogWindow(window, record);
}

void SetLoggingOn(bool on) {
    g_loggingOn = on;
}
bool IsLoggingOn() {
    return g_loggingOn;
}
void SetLogWindow(HWND window) {
    g_window = window;
}
HWND GetLogWindow() {
    return g_window;
}
void SetLogFile(HANDLE file) {
    win32::SlimLockGuard changing(g_fileInUse);
    g_file = file;
}
HANDLE GetLogFile() {
    return g_file;
}

}  // namespace logging
