// Stored-file helpers: the temporary files a write left, a file held elsewhere.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "cipher/TimeSeal.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"

namespace state_tests {

// Temporary files left in the data directory by a failed or finished write.
inline int StrayFiles() {
    int count = 0;
    for (const auto& file : std::filesystem::directory_iterator(testing_support::DataDirectory()))
        count += file.path().extension() == ".tmp";
    return count;
}

// Held without sharing, as another process using it would; invalid when already open elsewhere.
inline win32::FileHandle HoldOpen(const std::wstring& path) {
    return win32::FileHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace state_tests
