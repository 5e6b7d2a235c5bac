// A host's log file for one test, set through logging::SetLogFile or PeLmLogFileSet, and what
// the library wrote to it read back through the kit's parser, as the log viewer reads it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "logline/LogLine.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"
#include "win32/Strings.h"
#include "win32/Time.h"

namespace testing_support {

inline bool IsLogTimeStamp(const std::string& text) {
    const std::string pattern = "dddd/dd/dd dd:dd:dd";
    return text.size() == pattern.size() &&
           std::equal(text.begin(), text.end(), pattern.begin(), [](char c, char expected) {
               return expected == 'd' ? c >= '0' && c <= '9' : c == expected;
           });
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
    // Each line's text without its indent; "" for a line not of the writer's form (a torn one,
    // text the host wrote).
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const LOG_RECORD& record : Records()) texts.push_back(record.message);
        return texts;
    }
    // "kind|indent|text" per line (kind -1 for one not of the writer's form), for compact
    // expectations of a sequence.
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (const LOG_RECORD& r : Records())
            entries.push_back(win32::Format("%d|%d|%s", r.kind, r.indent, r.message));
        return entries;
    }

private:
    TempDirectory directory_;
    std::function<void(HANDLE)> setLogFile_;
    win32::FileHandle file_;

    // A line the kit's parser refuses, or without a time stamp, gives kind -1 and no text.
    std::vector<LOG_RECORD> Records() const {
        std::vector<LOG_RECORD> records;
        for (const std::string& line : win32::SplitLines(Raw())) {
            LOG_RECORD& record = records.emplace_back();
            if (!logging::ParseLogLine(line.data(), line.size(), record) ||
                !IsLogTimeStamp(record.time)) {
                record = LOG_RECORD{};
                record.kind = -1;
            }
        }
        return records;
    }
};

}  // namespace testing_support
