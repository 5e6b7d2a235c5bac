// The library's log file sink pointed at a temp file for one test; entries read back as
// "kind|text" (the text with its indent spaces), in order.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "log/LogWriter.h"
#include "support/TestSupport.h"

class LogFile {
public:
    LogFile() {
        handle_ =
            CreateFileA(directory_.File("log.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        logging::SetLogFile(handle_);
    }
    ~LogFile() {
        logging::SetLogFile(nullptr);
        CloseHandle(handle_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        std::string text = testing_support::ReadFileBytes(directory_.File("log.txt"));
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            std::string line = text.substr(start, end - start);  // time \t kind \t "text"
            size_t kind = line.find('\t') + 1;
            size_t quote = line.find('\t', kind) + 1;
            entries.push_back(line.substr(kind, quote - 1 - kind) + "|" +
                              line.substr(quote + 1, line.size() - quote - 2));
            start = end + 1;
        }
        return entries;
    }

private:
    testing_support::TempDirectory directory_;
    HANDLE handle_;
};
