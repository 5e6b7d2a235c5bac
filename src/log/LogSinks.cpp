#include "log/LogSinks.h"

#include <string>

#include "log/FileLineWriter.h"

namespace logging {
namespace {
// An absurd indent from a host must not turn one entry into megabytes of spaces.
constexpr int kMaxIndent = 100;

void AppendDecimal(std::string& line, int value) {
    char digits[12];
    int length = 0;
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) line.push_back('-');
    while (length > 0) line.push_back(digits[--length]);
}
}  // namespace

void FormatLogLine(std::string& line, const std::string& timeStamp, const LOG_RECORD& record) {
    line.assign(timeStamp);
    line.push_back('\t');
    AppendDecimal(line, record.kind);
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

void WriteLogFile(HANDLE file, const LOG_RECORD& record) {
    std::string line;
    line.reserve(512);
    FormatLogLine(line, std::string(record.time, strnlen(record.time, sizeof record.time)), record);
    FileLineWriter::Instance().Append(file, line);
}

}  // namespace logging
