// A host's log file for one test, set through logging::SetLogFile or PeLmLogFileSet, and what
// the library wrote to it read back as a host would see it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace testing_support {

// One entry as the file holds it: time TAB kind TAB "indent + text" LF.
struct LogLine {
    std::string time;
    int kind = -1;
    int indent = 0;           // two spaces per level inside the quotes
    std::string text;         // without the indent
    bool wellFormed = false;  // a time stamp, a kind and a quoted text, nothing else
};

// Splits at LF only (a CR stays in its line); an unterminated tail is a line of its own.
inline std::vector<std::string> SplitLogLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < bytes.size(); start = end + 1) {
        end = std::min(bytes.find('\n', start), bytes.size());
        lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
}

inline bool IsLogTimeStamp(const std::string& text) {
    const std::string pattern = "dddd/dd/dd dd:dd:dd";
    return text.size() == pattern.size() &&
           std::equal(text.begin(), text.end(), pattern.begin(), [](char c, char expected) {
               return expected == 'd' ? c >= '0' && c <= '9' : c == expected;
           });
}

inline LogLine ParseLogLine(const std::string& line) {
    LogLine parsed;
    const size_t kindAt = line.find('\t') + 1, textAt = line.find('\t', kindAt) + 1;
    if (kindAt == 0 || textAt == 0) return parsed;
    parsed.time = line.substr(0, kindAt - 1);
    const std::string kind = line.substr(kindAt, textAt - 1 - kindAt), quoted = line.substr(textAt);
    if (kind.empty() || quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return parsed;
    parsed.kind = std::atoi(kind.c_str());
    const std::string text = quoted.substr(1, quoted.size() - 2);
    parsed.indent = static_cast<int>(std::min(text.find_first_not_of(' '), text.size()) / 2);
    parsed.text = text.substr(parsed.indent * 2);
    parsed.wellFormed = IsLogTimeStamp(parsed.time) && std::to_string(parsed.kind) == kind;
    return parsed;
}

inline std::string LocalNowLogTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return win32::Format("%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                         now.wHour, now.wMinute, now.wSecond);
}

class HostLogFile {
public:
    explicit HostLogFile(std::function<void(HANDLE)> setLogFile)
        : setLogFile_(std::move(setLogFile)),
          file_(CreateFileA(path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        setLogFile_(file_.get());
    }
    ~HostLogFile() { setLogFile_(nullptr); }

    HANDLE handle() const { return file_.get(); }
    std::string path() const { return directory_.File("host.log"); }

    // The whole file as written, for byte-exact and "never appears" checks.
    std::string Raw() const { return ReadFileBytes(path()); }
    std::vector<LogLine> Lines() const {
        std::vector<LogLine> lines;
        for (const std::string& line : SplitLogLines(Raw())) lines.push_back(ParseLogLine(line));
        return lines;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const LogLine& line : Lines()) texts.push_back(line.text);
        return texts;
    }
    // "kind|indent|text" per entry, for compact expectations of a sequence.
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (const LogLine& line : Lines())
            entries.push_back(win32::Format("%d|%d|%s", line.kind, line.indent, line.text.c_str()));
        return entries;
    }
    bool Contains(const std::string& text) const {
        const std::vector<std::string> texts = Texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

private:
    TempDirectory directory_;
    std::function<void(HANDLE)> setLogFile_;
    win32::FileHandle file_;
};

}  // namespace testing_support
