#include "RecordText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "logline/LogLine.h"
#include "win32/Strings.h"

namespace logview {
namespace {
constexpr int kSpacesPerIndent = 4;
constexpr int kMaxShownIndent = 20;
constexpr int kMaxSavedIndent = 100;  // the log file line's own limit
constexpr UINT kShiftJis = 932;

void CopyInto(const std::wstring& text, wchar_t* buffer, int room) {
    buffer[text.copy(buffer, static_cast<size_t>(room - 1))] = L'\0';
}

// C0, DEL and C1 (code page 932 maps byte 0x80 to U+0080).
bool IsControl(wchar_t c) {
    return c < L' ' || (c >= 0x7F && c <= 0x9F);
}

bool ShowsLineNumber(const LOG_RECORD& record) {
    // Rows read from a log file know no function, source or line.
    return record.line != 0 || record.function[0] != '\0' || record.source[0] != '\0';
}

template <size_t N>
void CopyField(char (&field)[N], const std::string& utf8) {
    const std::string text = win32::ToNarrow(win32::ToWide(utf8, CP_UTF8), kShiftJis);
    field[text.copy(field, N - 1)] = '\0';
}

// The library cuts a field at 255 bytes, which can leave the first byte of a double-byte
// character alone at its end: that half shows as nothing rather than as a stand-in character,
// which would read back as another character.
size_t WholeCharacters(const char* field, size_t length) {
    size_t at = 0;
    while (at < length) at += IsDBCSLeadByteEx(kShiftJis, static_cast<BYTE>(field[at])) ? 2 : 1;
    return at > length ? length - 1 : length;
}
}  // namespace

// At most 255 bytes, as the library fills a field, whether the record came from the store or
// straight from the shared block (where another process may have left no NUL).
std::wstring FieldText(const char* field, size_t size) {
    const size_t length = WholeCharacters(field, strnlen(field, size - 1));
    std::wstring text = win32::ToWide(std::string(field, length), kShiftJis);
    std::replace_if(text.begin(), text.end(), IsControl, L' ');
    return text;
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
            return CopyInto(FieldText(record.time, sizeof record.time), buffer, size);
        case kKindColumn:
            return CopyInto(KindText(record.kind), buffer, size);
        case kMessageColumn: {
            const int indent = std::clamp(record.indent, 0, kMaxShownIndent);
            return CopyInto(std::wstring(static_cast<size_t>(indent * kSpacesPerIndent), L' ') +
                                FieldText(record.message, sizeof record.message),
                            buffer, size);
        }
        case kFunctionColumn:
            return CopyInto(FieldText(record.function, sizeof record.function), buffer, size);
        case kSourceColumn:
            return CopyInto(FieldText(record.source, sizeof record.source), buffer, size);
        case kLineColumn:
            if (ShowsLineNumber(record)) CopyInto(std::to_wstring(record.line), buffer, size);
            return;
    }
}

std::wstring RowText(const LOG_RECORD& record) {
    const int indent = std::clamp(record.indent, 0, kMaxSavedIndent);
    std::wstring row = FieldText(record.time, sizeof record.time) + L'\t' +
                       std::to_wstring(record.kind) + L"\t\"" +
                       std::wstring(static_cast<size_t>(indent) * 2, L' ') +
                       FieldText(record.message, sizeof record.message) + L"\"\t" +
                       FieldText(record.function, sizeof record.function) + L'\t' +
                       FieldText(record.source, sizeof record.source) + L'\t';
    if (ShowsLineNumber(record)) row += std::to_wstring(record.line);
    return row;
}

std::string SavedRow(const LOG_RECORD& record) {
    return win32::ToNarrow(RowText(record), CP_UTF8) + "\r\n";
}

// The last three columns from the right; what is left is a log file line in UTF-8. Rows saved
// before every field had its tabs replaced held tabs in the message only, and read the same.
bool ParseRow(const std::string& utf8, LOG_RECORD& record) {
    const size_t lineTab = utf8.rfind('\t');
    if (lineTab == std::string::npos || lineTab < 2) return false;
    const size_t sourceTab = utf8.rfind('\t', lineTab - 1);
    if (sourceTab == std::string::npos || sourceTab == 0) return false;
    const size_t functionTab = utf8.rfind('\t', sourceTab - 1);
    if (functionTab == std::string::npos) return false;
    int line = 0;
    const char* digits = utf8.data() + lineTab + 1;
    const char* end = utf8.data() + utf8.size();
    if (digits != end && std::from_chars(digits, end, line).ptr != end) return false;
    const std::string head =
        win32::ToNarrow(win32::ToWide(utf8.substr(0, functionTab), CP_UTF8), kShiftJis);
    if (!logging::ParseLogLine(head.data(), head.size(), record)) return false;
    CopyField(record.function, utf8.substr(functionTab + 1, sourceTab - functionTab - 1));
    CopyField(record.source, utf8.substr(sourceTab + 1, lineTab - sourceTab - 1));
    record.line = line;
    return true;
}

}  // namespace logview
