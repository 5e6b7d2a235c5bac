// The viewer's main window, class PELMORA_LOGVIEW_CLASS: a filter strip, the virtual list of
// records and a status bar. Hosts make it their log window; each notification reads one record
// from the shared block into the store and returns, and the list catches up on a timer.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "RecordStore.h"
#include "RowView.h"
#include "win32/DialogFont.h"

namespace logview {

struct ViewerOptions {
    std::wstring openPath;  // a log file to show at start
    std::wstring savePath;  // save here instead of asking (for tests and scripts)
    std::string serviceBase;
    bool diagnoseAtStart = false;
};

class ViewerWindow {
public:
    explicit ViewerWindow(ViewerOptions options) : options_(std::move(options)) {}
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    bool Create(HINSTANCE instance, int show);
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();
    void Layout();

    void OnLogNotification();
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
    void Clear();
    void TogglePause();
    void Diagnose();

    ViewerOptions options_;
    HWND window_ = nullptr;
    HWND filterLabel_ = nullptr;
    HWND filterEdit_ = nullptr;
    HWND kindCombo_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    win32::FontHandle font_;
    RecordStore store_;
    RowView rows_;
    bool paused_ = false;
    bool diagnosing_ = false;
    double nextCatchUp_ = 0;
    std::wstring openedFile_;
    std::wstring statusText_;
};

}  // namespace logview
