// What the command line asks of one run of the viewer (see CommandLine.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace logview {

struct ViewerOptions {
    std::vector<std::wstring> openPaths;  // files to show at start, read as one
    std::wstring savePath;                // save here instead of asking (for tests and scripts)
    std::wstring openCommandPath;         // the open command reads this instead of asking (same)
    std::wstring keepSavingPath;          // keep saving here instead of asking (same)
    std::wstring settingsPath;            // remember settings here instead of the user's file
    uint64_t maxRecords = 0;              // 0: the remembered bound, else the default
    uint64_t maxBytes = 0;                // the same
    uint64_t keepSavingSplitBytes = 0;    // 0: the default
    std::string serviceBase;
    bool diagnoseAtStart = false;
};

}  // namespace logview
