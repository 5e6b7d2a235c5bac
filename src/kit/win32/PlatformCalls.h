// The platform calls whose failures the library must survive, reached through one table. Each
// entry starts as the real function. Only tests replace an entry (and put it back: see
// tests/platform/PlatformFaultTest.cpp), to make failures that no real run can make on demand: a
// disk that fills on the second write, a refused rename, no cryptographic provider; one reset
// puts every entry back.
#pragma once

#include <windows.h>
#include <wincrypt.h>
#include <objbase.h>

struct _IP_ADAPTER_ADDRESSES_LH;

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
    // Reachability.
    ULONG(WINAPI* getAdaptersAddresses)(ULONG, ULONG, PVOID, _IP_ADAPTER_ADDRESSES_LH*, PULONG);
    BOOL(WINAPI* internetGetConnectedState)(LPDWORD, DWORD);
    // The cipher's provider.
    decltype(&::CryptAcquireContextA) cryptAcquireContext;
    // The shared log block and the named mutexes.
    decltype(&::CreateFileMappingA) createFileMapping;
    decltype(&::MapViewOfFile) mapViewOfFile;
    decltype(&::CreateMutexA) createMutex;
    // The per-user data folder, and the creation of it and of the exchange folder.
    HRESULT(WINAPI* shGetFolderPath)(HWND, int, HANDLE, DWORD, LPWSTR);
    int(WINAPI* shCreateDirectory)(HWND, LPCWSTR, const SECURITY_ATTRIBUTES*);
    // The XML parser.
    decltype(&::CoCreateInstance) coCreateInstance;
};

// The one table of the process (its entries are the real functions until a test says otherwise).
PlatformCalls& Platform();

// Puts every entry back to the real function.
void ResetPlatform();

}  // namespace win32
