#include "log/LogSinks.h"

#include <string>

#include "log/FileLineWriter.h"
#include "logline/LogLine.h"

namespace logging {

void WriteLogFile(HANDLE file, const LOG_RECORD& record) {
    std::string line;
    line.reserve(512);
    FormatLogLine(line, record);
    FileLineWriter::Instance().Append(file, line);
}

}  // namespace logging
