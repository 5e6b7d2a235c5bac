// The platform calls whose failures the library must survive, reached through one table. Each
// entry starts as the real function. Only tests replace an entry (and put it back: see
// tests/platform/PlatformFaultTest.cpp), to make failures that no real run can make on demand: a
// disk that fills on the second write, a refused rename, no cryptographic provider; one reset
// puts every entry back. The calls only the library's internals make (the network's, the XML
// parser's) are in a table of their own there, so that the kit's programs import none of them;
// it follows this table's reset through a change hook.
#pragma once

#include <windows.h>
#include <wincrypt.h>

namespace win32 {

struct PlatformCalls {
    // Files of the library and the client program.
    decltype(&::CreateFileW) createFile;
    decltype(&::ReadFile) readFile;
    decltype(&::WriteFile) writeFile;
    decltype(&::FlushFileBuffers) flushFileBuffers;
    decltype(&::MoveFileExW) moveFileEx;
    decltype(&::DeleteFileW) deleteFile;
    decltype(&::GetFileAttributesW) getFileAttributes;
    decltype(&::GetFileSizeEx) getFileSize;
    decltype(&::SetFilePointerEx) setFilePointer;
    decltype(&::FindFirstFileW) findFirstFile;
    decltype(&::FindNextFileW) findNextFile;
    // The client program's start and end, and whether a process that left a temporary file
    // still runs.
    decltype(&::CreateProcessW) createProcess;
    decltype(&::GetExitCodeProcess) getExitCodeProcess;
    decltype(&::OpenProcess) openProcess;
    // The cipher's provider.
    decltype(&::CryptAcquireContextA) cryptAcquireContext;
    // The shared log block and the named mutexes.
    decltype(&::CreateFileMappingA) createFileMapping;
    decltype(&::MapViewOfFile) mapViewOfFile;
    decltype(&::CreateMutexA) createMutex;
    // The per-user data folder, and the creation of it and of the exchange folder.
    HRESULT(WINAPI* shGetFolderPath)(HWND, int, HANDLE, DWORD, LPWSTR);
    int(WINAPI* shCreateDirectory)(HWND, LPCWSTR, const SECURITY_ATTRIBUTES*);
};

// The one table of the process (its entries are the real functions until a test says otherwise).
// Read-only here: a change goes through ReplacePlatform, which tells the hooks.
const PlatformCalls& Platform();

// What a change hook is told: an entry was replaced, or every entry was put back.
enum class PlatformChange { kReplaced, kReset };
using PlatformChangeHook = void (*)(PlatformChange);

// Registers `hook` (once, however often it is given) to run after every change of the table.
// Whatever keeps something it got through an entry (a provider context) drops it there, so that
// the next call goes through the entry as it now is.
void OnPlatformChange(PlatformChangeHook hook);

// Runs every hook (a table that follows this one tells its own changes this way).
void NotifyPlatformChange(PlatformChange change);

// Makes `calls` the table, then runs the hooks. Replacing and resetting are a test's steps
// between calls: no other thread may call through the table meanwhile.
void ReplacePlatform(const PlatformCalls& calls);

// A copy of `table` with one entry replaced, for a table's Replace... function.
template <typename Table, typename Function>
Table WithEntry(const Table& table, Function Table::*entry, Function replacement) {
    Table calls = table;
    calls.*entry = replacement;
    return calls;
}

// Replaces one entry (found by argument-dependent lookup beside the other table's).
template <typename Function>
void ReplacePlatformCall(Function PlatformCalls::*entry, Function replacement) {
    ReplacePlatform(WithEntry(Platform(), entry, replacement));
}

// Puts every entry back to the real function, then runs the hooks.
void ResetPlatform();

}  // namespace win32
