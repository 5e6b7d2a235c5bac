// The viewer's main window, class PELMORA_LOGVIEW_CLASS: a filter strip, the virtual list of
// records and a status bar. Hosts make it their log window; each notification reads one record
// from the shared block into the store and returns, and the list catches up on a timer.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "CaptureFile.h"
#include "RecordStore.h"
#include "RowView.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace logview {

struct ViewerOptions {
    std::wstring openPath;         // a log file to show at start
    std::wstring savePath;         // save here instead of asking (for tests and scripts)
    std::wstring openCommandPath;  // the open command reads this instead of asking (same)
    std::wstring keepSavingPath;   // keep saving here instead of asking (same)
    size_t maxRecords = RecordStore::kDefaultCapacity;
    size_t maxBytes = RecordStore::kDefaultMaxBytes;
    uint64_t keepSavingSplitBytes = CaptureFile::kDefaultSplitBytes;
    std::string serviceBase;
    bool diagnoseAtStart = false;
};

class ViewerWindow {
public:
    explicit ViewerWindow(ViewerOptions options)
        : options_(std::move(options)),
          store_(options_.maxRecords, options_.maxBytes),
          capture_(options_.keepSavingSplitBytes) {}
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    bool Create(HINSTANCE instance, int show);
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();
    void Layout();

    void OnLogNotification();
    void OnTimer(UINT_PTR id);
    void CatchUp(bool paced);
    void OnCommand(int id);
    LRESULT OnNotify(NMHDR& header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    bool IsFollowing() const;
    void UpdateStatus();
    RowFilter FilterFromControls() const;

    void OpenLogFile();
    void LoadLogFile(const std::wstring& path);
    void SaveRows();
    void CopySelectedRows();
    void ToggleKeepSaving();
    void FlushKeptRecords();
    void KeepSavingFailed();
    void FocusFindBox();
    void FindNext();
    bool EditHasFocus() const;
    void Clear();
    void TogglePause();
    void Diagnose();

    ViewerOptions options_;
    HWND window_ = nullptr;
    HWND filterLabel_ = nullptr;
    HWND filterEdit_ = nullptr;
    HWND kindCombo_ = nullptr;
    HWND findLabel_ = nullptr;
    HWND findEdit_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    win32::FontHandle font_;
    RecordStore store_;
    RowView rows_;
    LOG_RECORD received_{};  // the last record read from the shared block
    CaptureFile capture_;
    bool paused_ = false;
    bool diagnosing_ = false;
    bool loading_ = false;  // a log file is being read: commands wait for it
    double nextCatchUp_ = 0;
    std::wstring openedFile_;
    uint64_t skippedOnOpen_ = 0;
    const std::wstring outOfMemory_ =
        win32::FromBuiltIn("メモリが足りないため、操作を完了できませんでした");
    std::wstring notice_;  // the outcome of the last command that failed, in the status bar
    std::wstring statusText_;
};

}  // namespace logview
