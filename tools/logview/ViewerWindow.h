// The viewer's main window, class PELMORA_LOGVIEW_CLASS: a filter strip, the virtual list of
// records and a status bar. Hosts make it their log window; each notification reads one record
// from the shared block into the store and returns, and the list catches up on a timer.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "CaptureFile.h"
#include "RecordStore.h"
#include "RowView.h"
#include "ViewerOptions.h"
#include "ViewerSettings.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace logview {

class ViewerWindow {
public:
    // Reads the user's settings; the command line's bounds win over the remembered ones.
    explicit ViewerWindow(ViewerOptions options);
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    bool Create(HINSTANCE instance, int show);
    HWND window() const { return window_; }
    // Keys the window takes before the accelerators: Esc leaves the find and filter boxes.
    bool PreTranslate(const MSG& message);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();
    void Layout();
    int Scaled(int designPixels) const;
    void ApplyDpi(UINT dpi);
    void SelectKind(int kind);
    void ApplySettings();
    void RememberSettings();

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
    void OpenDroppedFiles(HDROP drop);
    void OpenRecentFile(size_t index);
    // Reads `chosen` (and the parts of a kept capture) as one; see OpenedFiles.h.
    void LoadFiles(const std::vector<std::wstring>& chosen);
    void SaveRows();
    void CopySelectedRows();
    void ToggleKeepSaving();
    void FlushKeptRecords();
    void KeepSavingFailed();
    void FocusFindBox();
    void FindNext(bool backwards);
    void NextError();
    bool SelectNextRow(const std::function<bool(const LOG_RECORD&)>& wanted, bool backwards);
    void ShowRowMenu(LPARAM at);
    void FilterByFocusedRow(int command);
    static std::wstring AboutText();
    bool EditHasFocus() const;
    void Clear();
    void TogglePause();
    void Diagnose();

    ViewerOptions options_;
    std::wstring settingsPath_;
    ViewerSettings settings_;
    HWND window_ = nullptr;
    HWND filterLabel_ = nullptr;
    HWND filterEdit_ = nullptr;
    HWND kindCombo_ = nullptr;
    HWND findLabel_ = nullptr;
    HWND findEdit_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    win32::FontHandle font_;
    UINT dpi_ = 96;
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
