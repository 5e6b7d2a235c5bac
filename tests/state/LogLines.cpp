#include "LogLines.h"

#include <cstdlib>

namespace state_tests {

LogLines::LogLines(void (*setLogFile)(HANDLE)) : setLogFile_(setLogFile) {
    file_ = CreateFileA(directory_.File("host.log").c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    setLogFile_(file_);
}

LogLines::~LogLines() {
    setLogFile_(nullptr);
    CloseHandle(file_);
}

std::string LogLines::Raw() const {
    return testing_support::ReadFileBytes(directory_.File("host.log"));
}

// A line is: time TAB kind TAB "indent+message" LF.
std::vector<LogLine> LogLines::Lines() const {
    std::vector<LogLine> lines;
    const std::string raw = Raw();
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\n', start);
        if (end == std::string::npos) end = raw.size();
        const std::string line = raw.substr(start, end - start);
        start = end + 1;
        size_t tab1 = line.find('\t');
        size_t tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
        std::string quoted = line.substr(tab2 + 1);
        if (quoted.size() < 2) continue;
        std::string text = quoted.substr(1, quoted.size() - 2);
        size_t spaces = text.find_first_not_of(' ');
        if (spaces == std::string::npos) spaces = text.size();
        lines.push_back({std::atoi(line.substr(tab1 + 1, tab2 - tab1 - 1).c_str()),
                         static_cast<int>(spaces / 2), text.substr(spaces / 2 * 2)});
    }
    return lines;
}

std::vector<std::string> LogLines::Messages() const {
    std::vector<std::string> messages;
    for (const LogLine& line : Lines()) messages.push_back(line.message);
    return messages;
}

bool LogLines::Contains(const std::string& message) const {
    for (const LogLine& line : Lines()) {
        if (line.message == message) return true;
    }
    return false;
}

}  // namespace state_tests
