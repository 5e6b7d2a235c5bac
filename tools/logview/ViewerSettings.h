// What the viewer remembers for the user between runs: the window's place, the column widths,
// the filter and its kind, the store's bounds, the folder last used and the files last opened.
// Kept in "%LOCALAPPDATA%\Torva Inc\Pelmora\LogView.ini" (beside the library's own files of
// this user), UTF-8 with a byte-order mark, one "name=value" a line, so that it can be read and
// mended in Notepad; replaced whole, so a crash never leaves half of it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace logview {

struct ViewerSettings {
    static constexpr size_t kMostRecentFiles = 8;

    bool hasPlacement = false;
    RECT normal{};  // the restored window, in screen pixels
    bool maximized = false;
    std::vector<int> columnWidths;  // at 96 DPI, scaled to the window's DPI when shown
    std::wstring filterText;
    int kind = -1;            // the kind filter's kind, -1 for all
    uint64_t maxRecords = 0;  // 0: the default
    uint64_t maxBytes = 0;
    std::wstring lastFolder;
    std::vector<std::wstring> recentFiles;  // newest first
};

// The user's file; "" when the local application data folder cannot be had.
std::wstring DefaultSettingsPath();

// Defaults for what the file does not hold (or when there is no file).
ViewerSettings LoadSettings(const std::wstring& path);
bool SaveSettings(const std::wstring& path, const ViewerSettings& settings);

// `path` first in the recent files, once, the oldest past the limit gone.
void RememberRecentFile(ViewerSettings& settings, const std::wstring& path);

}  // namespace logview
