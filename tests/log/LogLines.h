// Reading the host's log file back: each line is "time\tkind\t\"text\"\n".
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace log_tests {

struct LogLine {
    std::string time;
    int kind = -1;
    std::string text;  // between the quotes
    bool wellFormed = false;
};

// Splits file content at "\n"; the content must end with one.
inline std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(content.substr(start, end - start));
    if (start != content.size()) lines.push_back(content.substr(start));  // unterminated tail
    return lines;
}

inline bool IsTimeStamp(const std::string& text) {
    const char pattern[] = "dddd/dd/dd dd:dd:dd";
    if (text.size() != sizeof pattern - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

inline LogLine ParseLine(const std::string& line) {
    LogLine parsed;
    size_t firstTab = line.find('\t');
    size_t secondTab = firstTab == std::string::npos ? firstTab : line.find('\t', firstTab + 1);
    if (secondTab == std::string::npos) return parsed;
    parsed.time = line.substr(0, firstTab);
    std::string kind = line.substr(firstTab + 1, secondTab - firstTab - 1);
    std::string quoted = line.substr(secondTab + 1);
    if (kind.empty() || quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return parsed;
    parsed.kind = std::stoi(kind);
    parsed.text = quoted.substr(1, quoted.size() - 2);
    parsed.wellFormed = IsTimeStamp(parsed.time) && std::to_string(parsed.kind) == kind;
    return parsed;
}

// The local time in the log's form, to bracket the time stamps the library writes.
inline std::string LocalNowText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

}  // namespace log_tests
