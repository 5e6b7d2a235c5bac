// How a record reads in the viewer: its fields as UTF-16 from the Shift_JIS bytes the library
// writes (code page 932 whatever the system's ANSI page is), the saved / kept / copied row, and
// that row read back. Every field shows with its control characters as spaces: any process can
// put a record in the shared block, and a tab or a line end in any field would otherwise forge a
// column or a row in what is saved.
#pragma once

#include <windows.h>

#include <string>

#include "pelmora.h"

namespace logview {

enum Column {
    kTimeColumn,
    kKindColumn,
    kMessageColumn,
    kFunctionColumn,
    kSourceColumn,
    kLineColumn
};

// Writes the column's text into `buffer` (always terminated, cut to fit): the message with
// its indent as leading spaces, the kind with its name.
void ColumnText(const LOG_RECORD& record, int column, wchar_t* buffer, int size);

// A text field of the record as shown: UTF-16, control characters as spaces.
std::wstring FieldText(const char* field, size_t size);

// "0 開始", "4 エラー", ...; the bare number for kinds the library does not write.
std::wstring KindText(int kind);

bool IsErrorRecord(const LOG_RECORD& record);

// One row as saved: the log file's line (time TAB kind TAB "indented message") followed by
// TAB function TAB source TAB line, without a line end. Fields as shown, so a row holds
// exactly six columns.
std::wstring RowText(const LOG_RECORD& record);

// Saved and kept files are UTF-8 and begin with its byte-order mark; each row ends with CR LF.
// A spreadsheet on a Japanese system takes a file without the mark for Shift_JIS, and CR LF is
// the line end every Windows program reads.
constexpr char kSavedFileMark[] = "\xEF\xBB\xBF";
std::string SavedRow(const LOG_RECORD& record);

// Reads a row of RowText's form, in UTF-8, back into `record`; false for any other line. A row
// never ends with a double quote (its last column is a number or empty) and a log file line
// always does, so the two cannot be taken for each other.
bool ParseRow(const std::string& utf8, LOG_RECORD& record);

}  // namespace logview
