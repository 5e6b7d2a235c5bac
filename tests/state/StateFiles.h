// Stored-file helpers: a clean state, the temporary files a write left, a file held elsewhere.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "storage/TimeSeal.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"

namespace state_tests {

// A state file's path as the library writes it in its entries (with its doubled slash).
inline std::string StateFilePath(const char* name) {
    return testing_support::DataDirectory() + "//" + name;
}

inline void RemoveStateFiles() {
    DeleteFileA(StateFilePath("dead.dat").c_str());
    DeleteFileA(StateFilePath("sub.dat").c_str());
}

// Temporary files left in the data directory by a failed or finished write.
inline int StrayFiles() {
    int count = 0;
    for (const auto& file : std::filesystem::directory_iterator(testing_support::DataDirectory()))
        count += file.path().extension() == ".tmp";
    return count;
}

// Holds a file open without sharing, as another process using it would; invalid when another
// handle is already open on it.
inline win32::FileHandle HoldOpen(const std::string& path) {
    return win32::FileHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace state_tests
