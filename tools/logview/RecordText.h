// How a record reads in the viewer: its fields as UTF-16 from the Shift_JIS bytes the library
// writes (code page 932 whatever the system's ANSI page is), and the saved / copied row.
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

// A text field of the record as UTF-16.
std::wstring FieldText(const char* field, size_t size);

// "0 開始", "4 エラー", ...; the bare number for kinds the library does not write.
std::wstring KindText(int kind);

bool IsErrorRecord(const LOG_RECORD& record);

// One row as saved: the log file's line (time TAB kind TAB "indented message") followed by
// TAB function TAB source TAB line, without a line end; line feeds in the message read as
// spaces, as in the log file.
std::wstring RowText(const LOG_RECORD& record);

}  // namespace logview
