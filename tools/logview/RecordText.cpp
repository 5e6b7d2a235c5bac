#include "RecordText.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>

#include "log/LogLine.h"
#include "win32/Strings.h"

namespace logview {
namespace {
constexpr int kSpacesPerIndent = 4;
constexpr int kMaxShownIndent = 20;
constexpr UINT kShiftJis = 932;

void CopyInto(const std::wstring& text, wchar_t* buffer, int room) {
    buffer[text.copy(buffer, static_cast<size_t>(room - 1))] = L'\0';
}

// Converts a NUL-terminated field of at most `size` bytes into `buffer`, cut to fit. With room
// for the terminator alone the conversion must not run: asked for no room, it only measures.
void ConvertInto(const char* field, size_t size, wchar_t* buffer, int room) {
    if (room <= 0) return;
    buffer[0] = L'\0';
    if (room == 1) return;
    int length = static_cast<int>(strnlen(field, size));
    int written =
        length == 0 ? 0 : MultiByteToWideChar(kShiftJis, 0, field, length, buffer, room - 1);
    if (written == 0 && length > 0) {
        // Too long for the column's buffer: the part that fits is still worth showing.
        CopyInto(FieldText(field, size), buffer, room);
        return;
    }
    buffer[written] = L'\0';
}

bool ShowsLineNumber(const LOG_RECORD& record) {
    // Rows read from a log file know no function, source or line.
    return record.line != 0 || record.function[0] != '\0' || record.source[0] != '\0';
}
}  // namespace

std::wstring FieldText(const char* field, size_t size) {
    return win32::ToWide(std::string(field, strnlen(field, size)), kShiftJis);
}

std::wstring KindText(int kind) {
    static const std::pair<int, const char*> kNames[] = {
        {0, " 開始"}, {1, " 結果"}, {2, " 詳細"}, {3, " 接続先"}, {4, " エラー"}, {99, " 終了"}};
    std::wstring text = std::to_wstring(kind);
    for (const auto& name : kNames) {
        if (name.first == kind) text += win32::FromBuiltIn(name.second);
    }
    return text;
}

bool IsErrorRecord(const LOG_RECORD& record) {
    return record.kind == 4 || record.flag != 0;
}

void ColumnText(const LOG_RECORD& record, int column, wchar_t* buffer, int size) {
    if (size <= 0) return;
    buffer[0] = L'\0';
    switch (column) {
        case kTimeColumn:
            ConvertInto(record.time, sizeof record.time, buffer, size);
            break;
        case kKindColumn:
            CopyInto(KindText(record.kind), buffer, size);
            break;
        case kMessageColumn: {
            int indent = record.indent < 0 ? 0 : std::min(record.indent, kMaxShownIndent);
            int spaces = std::min(indent * kSpacesPerIndent, size - 1);
            std::wmemset(buffer, L' ', spaces);
            ConvertInto(record.message, sizeof record.message, buffer + spaces, size - spaces);
            // A list cell draws a tab, a carriage return or a line feed as a box.
            std::replace_if(
                buffer + spaces, buffer + std::wcslen(buffer),
                [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
            break;
        }
        case kFunctionColumn:
            ConvertInto(record.function, sizeof record.function, buffer, size);
            break;
        case kSourceColumn:
            ConvertInto(record.source, sizeof record.source, buffer, size);
            break;
        case kLineColumn:
            if (ShowsLineNumber(record)) CopyInto(std::to_wstring(record.line), buffer, size);
            break;
    }
}

std::wstring RowText(const LOG_RECORD& record) {
    std::string line;
    logging::FormatLogLine(line, record);
    line.pop_back();  // the file line's LF
    line.push_back('\t');
    line.append(record.function, strnlen(record.function, sizeof record.function));
    line.push_back('\t');
    line.append(record.source, strnlen(record.source, sizeof record.source));
    line.push_back('\t');
    if (ShowsLineNumber(record)) line.append(std::to_string(record.line));
    return win32::ToWide(line, kShiftJis);
}

}  // namespace logview
