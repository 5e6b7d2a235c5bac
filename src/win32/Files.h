// Whole files: read all of one, write all of one, and replace one only once its new content is
// complete on disk. Every call goes through the platform table. Paths are UTF-16; the narrow
// forms take text in the ANSI code page, as the library holds it. After a false result,
// GetLastError tells why.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The whole content, opened with the given sharing (0: nobody else may have it open).
bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD share = 0);

// Creates (or empties) `path` and writes all of `bytes`, flushed to disk when `flush` is set.
// A file that could not be written whole is deleted: a part of a file is never left behind.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes, bool flush = false);

// A name beside `path` for its next content, unique to this process and thread.
std::wstring TemporaryPathBeside(const std::wstring& path);

// Renames `from` over `to` (through to the disk).
bool RenameOver(const std::wstring& from, const std::wstring& to);

// Writes `bytes` to a temporary file beside `path`, flushes it and renames it over `path`. On
// failure the former file is intact and no temporary file remains.
bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes);

bool DeleteFileAt(const std::wstring& path);

// The narrow forms.
std::wstring WidePath(const std::string& path);
inline bool ReadWholeFile(const std::string& path, std::string& bytes, DWORD share = 0) {
    return ReadWholeFile(WidePath(path), bytes, share);
}
inline bool WriteWholeFile(const std::string& path, const std::string& bytes, bool flush = false) {
    return WriteWholeFile(WidePath(path), bytes, flush);
}
inline bool DeleteFileAt(const std::string& path) {
    return DeleteFileAt(WidePath(path));
}

}  // namespace win32
