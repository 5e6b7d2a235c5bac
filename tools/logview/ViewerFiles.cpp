// The viewer's commands that move rows in and out: open library log files and the viewer's own
// saved and kept files (chosen, dropped on the window or recent), save the shown rows, keep
// saving every received record, copy the selected rows to the clipboard.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "LogFileReader.h"
#include "OpenedFiles.h"
#include "RecordText.h"
#include "ViewerIds.h"
#include "ViewerMenu.h"
#include "ViewerWindow.h"
#include "win32/Files.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace logview {
namespace {
// The file dialog's filter: pairs of description and pattern, each NUL-terminated.
std::wstring DialogFilter(const char* description, const wchar_t* pattern) {
    std::wstring filter = win32::FromBuiltIn(description);
    filter.push_back(L'\0');
    filter += pattern;
    filter.push_back(L'\0');
    filter += win32::FromBuiltIn("すべてのファイル (*.*)");
    filter.push_back(L'\0');
    filter += L"*.*";
    filter.push_back(L'\0');
    return filter;
}

// The dialog starts in `folder` and leaves the chosen file's folder there.
std::wstring AskPath(HWND owner, bool save, std::wstring& folder) {
    wchar_t path[MAX_PATH] = L"";
    std::wstring filter = save ? DialogFilter("テキスト ファイル (*.txt)", L"*.txt")
                               : DialogFilter("ログ ファイル (*.log;*.txt)", L"*.log;*.txt");
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = save ? L"txt" : L"log";
    dialog.Flags =
        save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::wstring();
    folder.assign(path, dialog.nFileOffset > 0 ? dialog.nFileOffset - 1 : 0);
    return path;
}

void ShowProblem(HWND owner, const char* text) {
    MessageBoxW(owner, win32::FromBuiltIn(text).c_str(),
                win32::FromBuiltIn("Pelmora ログ ビューア").c_str(), MB_OK | MB_ICONWARNING);
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win32::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    void* target = GlobalLock(memory.get());
    if (target == nullptr) return false;  // never an unfilled block on the clipboard
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    bool placed = false;
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        placed = SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
        CloseClipboard();
    }
    // Once placed, the clipboard owns the memory.
    if (placed) memory.release();
    return placed;
}
}  // namespace

void ViewerWindow::OpenLogFile() {
    std::wstring path = options_.openCommandPath.empty()
                            ? AskPath(window_, false, settings_.lastFolder)
                            : options_.openCommandPath;
    if (!path.empty()) LoadFiles({path});
}

// Dropped files are read as one, as if chosen together; none is read while a file is.
void ViewerWindow::OpenDroppedFiles(HDROP drop) {
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, &path[0], static_cast<UINT>(path.size())));
        if (!path.empty()) paths.push_back(path);
    }
    DragFinish(drop);
    if (!loading_ && !paths.empty()) LoadFiles(paths);
}

void ViewerWindow::OpenRecentFile(size_t index) {
    if (index < settings_.recentFiles.size()) LoadFiles({settings_.recentFiles[index]});
}

// The file's newest entries, as many as the bounds hold, replace the rows once it was read
// whole; records that arrive meanwhile and afterwards follow them. A file that cannot be read or
// holds no log line leaves the rows as they were. Old and new records are both held only while
// it is read. Hosts' notifications are answered between reads: a large file keeps no host waiting.
void ViewerWindow::LoadFiles(const std::vector<std::wstring>& chosen) {
    RecordStore loaded(store_.capacity(), store_.maxBytes());
    const uint64_t liveEnd = store_.end();
    const std::vector<std::wstring> files = FilesToRead(chosen);
    loading_ = true;
    LogFileResult result = LogFileResult::kNoLogLine;
    std::wstring path = files.empty() ? std::wstring() : files.front();
    for (const std::wstring& file : files) {
        const LogFileResult read = ReadLogFile(file, loaded, [this] {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            FlushKeptRecords();
        });
        if (read == LogFileResult::kNoLogLine) continue;
        result = read;
        if (read != LogFileResult::kRead) {
            path = file;
            break;
        }
    }
    loading_ = false;
    LOG_RECORD record;
    for (uint64_t n = std::max(liveEnd, store_.first());
         result == LogFileResult::kRead && n < store_.end() && store_.Get(n, record); ++n)
        loaded.Add(record);
    switch (result) {
        case LogFileResult::kRead:
            break;
        case LogFileResult::kCannotRead:
            notice_ = win32::FromBuiltIn("ファイルを読めませんでした: ") + path;
            UpdateStatus();
            return;
        case LogFileResult::kNoLogLine:
            notice_ = win32::FromBuiltIn("ログの行がないファイルです: ") + path;
            UpdateStatus();
            return;
        case LogFileResult::kOutOfMemory:
            notice_ = win32::FromBuiltIn("メモリが足りないため開けませんでした: ") + path;
            UpdateStatus();
            return;
    }
    Clear();
    store_ = std::move(loaded);
    openedFile_ = path;
    if (files.size() > 1)
        openedFile_ += win32::FromBuiltIn(" ほか ") + std::to_wstring(files.size() - 1) +
                       win32::FromBuiltIn(" ファイル");
    skippedOnOpen_ = store_.dropped();
    RememberRecentFile(settings_, chosen.front());
    ShowRecentFiles(GetMenu(window_), settings_.recentFiles);
    CatchUp(false);
}

void ViewerWindow::SaveRows() {
    std::wstring path = options_.savePath.empty() ? AskPath(window_, true, settings_.lastFolder)
                                                  : options_.savePath;
    if (path.empty()) return;
    std::string text = kSavedFileMark;
    LOG_RECORD record;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (store_.Get(rows_[row], record)) text += SavedRow(record);
    }
    if (!win32::WriteWholeFile(path, text)) ShowProblem(window_, "ファイルを保存できませんでした");
}

// A second choice of the command stops it.
void ViewerWindow::ToggleKeepSaving() {
    if (capture_.active()) {
        capture_.Stop();
    } else {
        std::wstring path = options_.keepSavingPath.empty()
                                ? AskPath(window_, true, settings_.lastFolder)
                                : options_.keepSavingPath;
        if (path.empty()) return;
        notice_.clear();
        if (!capture_.Start(path))
            notice_ = win32::FromBuiltIn("保存し続けるファイルを作れませんでした: ") + path;
    }
    CheckMenuItem(GetMenu(window_), kKeepSavingCommand,
                  capture_.active() ? MF_CHECKED : MF_UNCHECKED);
    UpdateStatus();
}

void ViewerWindow::FlushKeptRecords() {
    if (capture_.active() && !capture_.Flush()) KeepSavingFailed();
}

// The capture has stopped (a full disk, a file taken away); what it wrote stays.
void ViewerWindow::KeepSavingFailed() {
    notice_ =
        win32::FromBuiltIn("保存し続けるファイルに書き込めなくなりました: ") + capture_.path();
    CheckMenuItem(GetMenu(window_), kKeepSavingCommand, MF_UNCHECKED);
}

bool ViewerWindow::EditHasFocus() const {
    const HWND focus = GetFocus();
    return focus != nullptr && (focus == filterEdit_ || focus == findEdit_);
}

void ViewerWindow::CopySelectedRows() {
    if (EditHasFocus()) {
        SendMessageW(GetFocus(), WM_COPY, 0, 0);
        return;
    }
    std::wstring text;
    LOG_RECORD record;
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED)) {
        if (static_cast<size_t>(row) >= rows_.size()) break;
        if (store_.Get(rows_[static_cast<size_t>(row)], record)) text += RowText(record) + L"\r\n";
    }
    if (!text.empty()) PutOnClipboard(window_, text);
}

}  // namespace logview
