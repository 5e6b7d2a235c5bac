// The log call and its two sinks (the host's log file and the host's log window). Every entry
// of the library goes through Write, the same code as the exported PelmLog.
#pragma once

#include <windows.h>

#include <string>

#include "pelmora.h"

namespace logging {

enum Kind : int {
    kStep = 0,
    kFinding = 1,
    kDetail = 2,
    kTarget = 3,
    kError = 4,
    kEndOfCall = 99,
};

// Logged in place of a password: the entry keeps its text and shape, never the secret.
extern const char* const kPasswordMask;

// Builds one record and hands it to the file sink, then to the window sink. NULL texts read
// as empty. Does nothing while logging is switched off.
void Write(const char* message, const char* function, const char* source, int line, int kind,
           int indent, int flag);

// The convenient form for the library's own entries; the line is the caller's.
inline void Log(const std::string& message, const char* function, const char* source, int kind,
                int indent, int flag = 0, int line = __builtin_LINE()) {
    Write(message.c_str(), function, source, line, kind, indent, flag);
}

// An error entry: kind 4 with flag 1.
inline void LogError(const std::string& message, const char* function, const char* source,
                     int indent, int line = __builtin_LINE()) {
    Write(message.c_str(), function, source, line, kError, indent, 1);
}

// Fills `record` as the log call does (zeroed, texts cut to 255 bytes, local time).
void BuildRecord(LOG_RECORD& record, const char* message, const char* function, const char* source,
                 int line, int kind, int indent, int flag);

// Settings, process-wide; logging is on from load, no sinks are set.
void SetLoggingOn(bool on);
bool IsLoggingOn();
void SetLogWindow(HWND window);
HWND GetLogWindow();
void SetLogFile(HANDLE file);
HANDLE GetLogFile();

}  // namespace logging
