#include "support/HostLogFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace testing_support {

std::vector<std::string> SplitLogLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(bytes.substr(start, end - start));
    if (start != bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

bool IsLogTimeStamp(const std::string& text) {
    const char pattern[] = "dddd/dd/dd dd:dd:dd";
    if (text.size() != sizeof pattern - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

LogLine ParseLogLine(const std::string& line) {
    LogLine parsed;
    size_t firstTab = line.find('\t');
    size_t secondTab = firstTab == std::string::npos ? firstTab : line.find('\t', firstTab + 1);
    if (secondTab == std::string::npos) return parsed;
    parsed.time = line.substr(0, firstTab);
    std::string kind = line.substr(firstTab + 1, secondTab - firstTab - 1);
    std::string quoted = line.substr(secondTab + 1);
    if (kind.empty() || quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return parsed;
    parsed.kind = std::atoi(kind.c_str());
    std::string text = quoted.substr(1, quoted.size() - 2);
    size_t spaces = text.find_first_not_of(' ');
    if (spaces == std::string::npos) spaces = text.size();
    parsed.indent = static_cast<int>(spaces / 2);
    parsed.text = text.substr(spaces / 2 * 2);
    parsed.wellFormed = IsLogTimeStamp(parsed.time) && std::to_string(parsed.kind) == kind;
    return parsed;
}

std::string LocalNowLogTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

HostLogFile::HostLogFile(std::function<void(HANDLE)> setLogFile)
    : setLogFile_(std::move(setLogFile)),
      file_(CreateFileA(path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    setLogFile_(file_);
}

HostLogFile::~HostLogFile() {
    setLogFile_(nullptr);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

std::vector<LogLine> HostLogFile::Lines() const {
    std::vector<LogLine> lines;
    for (const std::string& line : SplitLogLines(Raw())) lines.push_back(ParseLogLine(line));
    return lines;
}

std::vector<std::string> HostLogFile::Texts() const {
    std::vector<std::string> texts;
    for (const LogLine& line : Lines()) texts.push_back(line.text);
    return texts;
}

std::vector<std::string> HostLogFile::Entries() const {
    std::vector<std::string> entries;
    for (const LogLine& line : Lines())
        entries.push_back(std::to_string(line.kind) + "|" + std::to_string(line.indent) + "|" +
                          line.text);
    return entries;
}

bool HostLogFile::Contains(const std::string& text) const {
    const std::vector<std::string> texts = Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace testing_support
