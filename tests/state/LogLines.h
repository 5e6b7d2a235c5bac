// Reads back what the library wrote to a host log file, one entry per line, so tests can check
// the entries' texts, kinds and indents as a host would see them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace state_tests {

struct LogLine {
    int kind;
    int indent;           // two spaces per level inside the quotes
    std::string message;  // without the indent
};

class LogLines {
public:
    // `setLogFile` hands the file to the library (the export or the internal setter).
    explicit LogLines(void (*setLogFile)(HANDLE));
    ~LogLines();
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    std::vector<LogLine> Lines() const;
    std::vector<std::string> Messages() const;
    // The whole file as written, for "this text never appears" checks.
    std::string Raw() const;
    bool Contains(const std::string& message) const;

private:
    testing_support::TempDirectory directory_;
    void (*setLogFile_)(HANDLE);
    HANDLE file_;
};

}  // namespace state_tests
