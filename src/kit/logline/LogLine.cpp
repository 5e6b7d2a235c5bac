#include "logline/LogLine.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace logging {
namespace {
// An absurd indent from a host must not turn one entry into megabytes of spaces.
constexpr int kMaxIndent = 100;
constexpr int kErrorKind = 4;

// The kind as the writer writes it: an optional minus and decimal digits that fit an int, no
// sign, space or leading zero besides.
bool ParseKind(const char* text, const char* end, int& kind) {
    const char* digits = text + (text < end && *text == '-' ? 1 : 0);
    if (digits == end || (*digits == '0' && end - text > 1)) return false;  // "", "-", "05", "-0"
    const auto [stop, error] = std::from_chars(text, end, kind);
    return error == std::errc() && stop == end;
}

template <size_t N>
void CopyField(char (&field)[N], const char* text, size_t length) {
    length = std::min(length, N - 1);
    std::memcpy(field, text, length);
    field[length] = '\0';
}
}  // namespace

void FormatLogLine(std::string& line, const LOG_RECORD& record) {
    line.assign(record.time, strnlen(record.time, sizeof record.time));
    line.push_back('\t');
    char kind[12];
    line.append(kind, std::to_chars(kind, kind + sizeof kind, record.kind).ptr);
    line.append("\t\"");
    int indent = record.indent < 0 ? 0 : (record.indent > kMaxIndent ? kMaxIndent : record.indent);
    line.append(static_cast<size_t>(indent) * 2, ' ');
    size_t textStart = line.size();
    line.append(record.message, strnlen(record.message, sizeof record.message));
    // One entry, one line: a line feed inside the message would break the file's format.
    for (size_t i = textStart; i < line.size(); ++i) {
        if (line[i] == '\n') line[i] = ' ';
    }
    line.append("\"\n");
}

bool ParseLogLine(const char* line, size_t length, LOG_RECORD& record) {
    const char* end = line + length;
    const char* kindStart = static_cast<const char*>(std::memchr(line, '\t', length));
    if (kindStart == nullptr) return false;
    ++kindStart;
    const char* kindEnd = static_cast<const char*>(std::memchr(kindStart, '\t', end - kindStart));
    if (kindEnd == nullptr || end - kindEnd < 3 || kindEnd[1] != '"' || end[-1] != '"')
        return false;
    int kind = 0;
    if (!ParseKind(kindStart, kindEnd, kind)) return false;

    const char* text = kindEnd + 2;
    const char* textEnd = end - 1;
    const char* spacesEnd = text;
    while (spacesEnd < textEnd && *spacesEnd == ' ') ++spacesEnd;
    const size_t indent = static_cast<size_t>(spacesEnd - text) / 2;
    text += indent * 2;

    std::memset(&record, 0, sizeof record);
    CopyField(record.time, line, static_cast<size_t>(kindStart - 1 - line));
    CopyField(record.message, text, static_cast<size_t>(textEnd - text));
    record.kind = kind;
    record.indent = static_cast<int>(indent);
    record.flag = kind == kErrorKind ? 1 : 0;
    return true;
}

}  // namespace logging
