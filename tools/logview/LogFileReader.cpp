#include "LogFileReader.h"

#include <cstdlib>
#include <cstring>

namespace logview {
namespace {
void CopyField(char* field, size_t size, const std::string& text) {
    size_t length = text.copy(field, size - 1);
    field[length] = '\0';
}
}  // namespace

bool ParseLogFileLine(const std::string& line, LOG_RECORD& record) {
    size_t kindStart = line.find('\t');
    size_t quote = kindStart == std::string::npos ? kindStart : line.find('\t', kindStart + 1);
    if (quote == std::string::npos || line.size() < quote + 3 || line[quote + 1] != '"' ||
        line.back() != '"')
        return false;
    std::string kind = line.substr(kindStart + 1, quote - kindStart - 1);
    char* kindEnd = nullptr;
    long kindValue = std::strtol(kind.c_str(), &kindEnd, 10);
    if (kind.empty() || *kindEnd != '\0') return false;

    std::string text = line.substr(quote + 2, line.size() - quote - 3);
    // The writer puts two spaces per level before the message.
    size_t spaces = text.find_first_not_of(' ');
    size_t indent = (spaces == std::string::npos ? text.size() : spaces) / 2;

    std::memset(&record, 0, sizeof record);
    CopyField(record.time, sizeof record.time, line.substr(0, kindStart));
    CopyField(record.message, sizeof record.message, text.substr(indent * 2));
    record.kind = static_cast<int>(kindValue);
    record.indent = static_cast<int>(indent);
    record.flag = record.kind == 4 ? 1 : 0;
    return true;
}

}  // namespace logview
