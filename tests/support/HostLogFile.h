// A host's log file for one test: the library's file sink pointed at a fresh temp file through
// the given setter (logging::SetLogFile for suites that link the internals, PeLmLogFileSet for
// suites that call the DLL), and what the library wrote read back as a host would see it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

// One entry as the file holds it: time TAB kind TAB "indent + text" LF.
struct LogLine {
    std::string time;
    int kind = -1;
    int indent = 0;           // two spaces per level inside the quotes
    std::string text;         // without the indent
    bool wellFormed = false;  // a time stamp, a kind and a quoted text, nothing else
};

LogLine ParseLogLine(const std::string& line);
// Splits at LF only (a CR stays in its line); an unterminated tail is a line of its own.
std::vector<std::string> SplitLogLines(const std::string& bytes);
bool IsLogTimeStamp(const std::string& text);
// The local time in the log's form, to bracket the time stamps the library writes.
std::string LocalNowLogTime();

class HostLogFile {
public:
    explicit HostLogFile(std::function<void(HANDLE)> setLogFile);
    ~HostLogFile();
    HostLogFile(const HostLogFile&) = delete;
    HostLogFile& operator=(const HostLogFile&) = delete;

    HANDLE handle() const { return file_; }
    std::string path() const { return directory_.File("host.log"); }

    // The whole file as written, for byte-exact and "never appears" checks.
    std::string Raw() const { return ReadFileBytes(path()); }
    std::vector<LogLine> Lines() const;
    std::vector<std::string> Texts() const;
    // "kind|indent|text" per entry, for compact expectations of a sequence.
    std::vector<std::string> Entries() const;
    bool Contains(const std::string& text) const;

private:
    TempDirectory directory_;
    std::function<void(HANDLE)> setLogFile_;
    HANDLE file_;
};

}  // namespace testing_support
