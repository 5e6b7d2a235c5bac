// Whole files: read all of one, write all of one, and replace one only once its new content is
// complete on disk. Every call goes through the platform table. Paths are UTF-16; the narrow
// forms take text in the ANSI code page, as the library holds it. After a false result,
// GetLastError tells why.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

// The whole content, opened with the given sharing (0: nobody else may have it open). A file
// larger than `maxBytes` is not read (ERROR_FILE_TOO_LARGE).
bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD share = 0,
                   unsigned long long maxBytes = 0x7FFFFFFF);

enum class FileAccess {
    kInherited,  // what the folder grants
    kOwnerOnly   // the current user and the system only, whatever the folder grants
};

// Creates (or empties) `path` and writes all of `bytes`, flushed to disk when `flush` is set.
// A file that could not be written whole is deleted: a part of a file is never left behind.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes, bool flush = false,
                    FileAccess access = FileAccess::kInherited);

// A name beside `path` for its next content, unique to this process and thread.
std::wstring TemporaryPathBeside(const std::wstring& path);

// Deletes the files in `folder` matching `wildcard` whose writer no longer runs: `writerOf` reads
// the id of the process that wrote one from its name (0: not a file of this kind). The files of a
// running writer are its own, in the middle of their use.
void DeleteFilesOfEndedWriters(const std::wstring& folder, const std::wstring& wildcard,
                               const std::function<DWORD(const std::wstring&)>& writerOf);

// Deletes the temporary files beside `path` that processes no longer running left (a crash
// between write and rename); those of running processes are theirs.
void DeleteAbandonedTemporaries(const std::wstring& path);

// Renames `from` over `to` (through to the disk).
bool RenameOver(const std::wstring& from, const std::wstring& to);

// Writes `bytes` to a temporary file beside `path`, flushes it and renames it over `path`. On
// failure the former file is intact and no temporary file remains.
bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes);

bool DeleteFileAt(const std::wstring& path);

// INVALID_FILE_ATTRIBUTES when nothing is at `path`.
DWORD FileAttributes(const std::wstring& path);
// A file or a folder.
inline bool PathExists(const std::wstring& path) {
    return FileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

// The narrow forms.
std::wstring WidePath(const std::string& path);
inline bool ReadWholeFile(const std::string& path, std::string& bytes, DWORD share = 0,
                          unsigned long long maxBytes = 0x7FFFFFFF) {
    return ReadWholeFile(WidePath(path), bytes, share, maxBytes);
}
inline bool WriteWholeFile(const std::string& path, const std::string& bytes, bool flush = false,
                           FileAccess access = FileAccess::kInherited) {
    return WriteWholeFile(WidePath(path), bytes, flush, access);
}
inline bool DeleteFileAt(const std::string& path) {
    return DeleteFileAt(WidePath(path));
}
inline DWORD FileAttributes(const std::string& path) {
    return FileAttributes(WidePath(path));
}
inline bool PathExists(const std::string& path) {
    return PathExists(WidePath(path));
}

}  // namespace win32
