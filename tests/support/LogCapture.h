// A log window for tests. It is a message-only window on the creating thread; on every log
// notification it copies the record out of the named shared block "SharedLogMemory" under
// "SharedLogMemoryMutex", exactly as a host window in any process would. It reads the named
// objects itself, so it works both for suites that call the DLL and for suites that link the
// library's internals, and it proves the records really travel through the named block.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "pelmora.h"

namespace testing_support {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Give this to the library as its log window. The library must have opened its shared
    // block, or the notifications arrive with nothing new in the block.
    HWND window() const { return window_; }

    // Every record seen so far, in order, and how many notifications arrived.
    const std::vector<LOG_RECORD>& records() const { return records_; }
    int notifications() const { return notifications_; }
    void Clear();

    // The first record with exactly this message, nullptr if none.
    const LOG_RECORD* Find(const std::string& message) const;
    // Whether any message holds `text`.
    bool Mentions(const std::string& text) const;

    // Called by the window on each notification: copies the record out of the named block.
    void OnLogNotification();

private:
    HWND window_ = nullptr;
    std::vector<LOG_RECORD> records_;
    int notifications_ = 0;
};

// A record whose every byte is set, so a copy that drops or shifts any byte shows.
LOG_RECORD PatternRecord(unsigned char seed);
bool SameBytes(const LOG_RECORD& a, const LOG_RECORD& b);

// Reads the record now in the named block, independently of the library; false when no process
// holds the block.
bool ReadNamedLogBlock(LOG_RECORD& record);

// The last error's message as a host reads it through the exports.
inline std::string LastErrorMessage() {
    char buffer[512] = {};
    PeLmLastErrorMessageGet(buffer, sizeof buffer);
    return buffer;
}

}  // namespace testing_support
