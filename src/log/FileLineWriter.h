// Appends log lines to the host's file for any number of threads at once. Each line is written
// whole and after the lines that came before it; text the host wrote in between stays in place,
// since every write first moves to the end of the file. A thread adds its line to the pending
// text, and whoever has the writer's turn writes everything pending with one move and one write:
// under contention one write carries the lines of several threads, so many threads cost no more
// calls than one. Every call returns only once its own line has been handed to the file. A write
// that stops midway (a full disk) loses the rest of its lines for this file only, and the next
// write to the file first ends the torn line, so the lines after it stay whole.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "win32/SlimLock.h"

namespace logging {

class FileLineWriter {
public:
    static FileLineWriter& Instance();

    // Failures are ignored: the lines are lost for this sink only. Every line under way goes to
    // one file: the caller names another only once each Append to the former one has returned
    // (the host's switch of the file waits for them, see LogWriter.cpp).
    void Append(HANDLE file, const std::string& line);

private:
    // Writes what is pending; called with the writer's turn held.
    void WritePending();
    void WriteAtEnd(HANDLE file);

    win32::SlimLock pendingLock_;  // guards the three below; held for a copy only
    std::string pending_;
    HANDLE pendingFile_ = nullptr;
    std::uint64_t queued_ = 0;  // lines ever queued

    win32::SlimLock turnLock_;  // the writer's turn; guards writing_
    std::string writing_;
    HANDLE tornFile_ = nullptr;  // its last line was written only in part; guarded by the turn
    std::atomic<std::uint64_t> written_{0};  // lines ever handed to a file
};

}  // namespace logging
