// Test helpers for the server state files: sealed content for a chosen moment, written with the
// library's own sealing, and a clean state before each test.
#pragma once

#include <windows.h>

#include <string>

#include "frame/Directories.h"
#include "storage/ServerState.h"
#include "storage/TimeSeal.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"
#include "win32/Time.h"

namespace state_tests {

inline win32::Seconds LocalMoment(int year, int month, int day, int hour, int minute, int second) {
    win32::Seconds t = 0;
    win32::FromLocalDate({year, month, day, hour, minute, second}, t);
    return t;
}

inline void RemoveStateFiles() {
    DeleteFileA(storage::CServerState::GetDeadFilePath().c_str());
    DeleteFileA(storage::CServerState::GetSubFilePath().c_str());
}

// Temporary files left in the data directory by a failed or finished write.
inline int StrayFiles() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((frame::GetDataDirectory() + "\\*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// Holds a file open without sharing, as another process using it would; invalid when another
// handle is already open on it.
inline win32::FileHandle HoldOpen(const std::string& path) {
    return win32::FileHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace state_tests
