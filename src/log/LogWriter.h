// The log call and its two sinks (the host's log file and the host's log window). Every entry
// of the library goes through Write, the same code as the exported PelmLog.
#pragma once

#include <windows.h>

#include <string>

#include "pelmora.h"

namespace logging {

// The kinds the library's entries use. The writer does not interpret them: PelmLog passes the
// host's number through as it came, any int.
enum class Kind : int {
    kStep = 0,
    kFinding = 1,
    kDetail = 2,
    kTarget = 3,
    kError = 4,
    kEndOfCall = 99,
};

// Where an entry comes from and how it shows; the message goes beside it. Written in braces at
// the call, `{function, source, kind, indent}`, so `line` is the caller's: GCC takes a default
// member initializer's __builtin_LINE where the aggregate is initialised (FrameTest checks it).
struct Entry {
    const char* function;
    const char* source;
    Kind kind;
    int indent;
    int flag = kind == Kind::kError ? 1 : 0;  // error entries are flagged
    int line = __builtin_LINE();
};

// Logged in place of a password: the entry keeps its text and shape, never the secret.
extern const char* const kPasswordMask;

// Builds one record and hands it to the file sink, then to the window sink. NULL texts read
// as empty. Does nothing while logging is switched off.
void Write(const char* message, const Entry& entry);
inline void Write(const std::string& message, const Entry& entry) {
    Write(message.c_str(), entry);
}

// Fills `record` as the log call does (zeroed, texts cut to 255 bytes, local time).
void BuildRecord(LOG_RECORD& record, const char* message, const Entry& entry);

// Settings, process-wide; logging is on from load, no sinks are set.
void SetLoggingOn(bool on);
bool IsLoggingOn();
void SetLogWindow(HWND window);
HWND GetLogWindow();
void SetLogFile(HANDLE file);
HANDLE GetLogFile();

}  // namespace logging
