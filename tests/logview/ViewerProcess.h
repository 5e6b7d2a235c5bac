// A running PelmoraLogView.exe driven through its window; its rows read back through its save.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ViewerIds.h"
#include "pelmora.h"
#include "support/HostLogFile.h"
#include "win32/Process.h"
#include "win32/Strings.h"

namespace logview_tests {

struct Entry {
    std::string message;  // UTF-8 here, Shift_JIS as the host passes it
    const char* function;
    const char* source;
    int kind;
    int indent;
    std::string shown = std::string();  // as a row shows the message, when not the same
};

// "ソ" and "表" end in a backslash byte in Shift_JIS; a line feed shows as a space; 300 bytes cut.
inline std::vector<Entry> KnownSequence() {
    return {
        {u8"Init開始", "CPelmoraInterface::Init", "PelmoraInterface", 0, 3},
        {u8"サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 0, 1},
        {u8"接続先：\thttp://127.0.0.1/Login", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil",
         3, 2},
        {u8"ソフト表示", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
        {u8"一行目\n二行目", "CLoginDialog::OnOK", "LoginDialog", 1, 1, u8"一行目 二行目"},
        {"C:\\temp\\pmqclient.exe", "CHttpRequestUtil::Run", "HttpRequestUtil", 2, 2},
        {u8"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 4, 1},
        {std::string(300, 'x'), "Cut", "Limits", 2, 0, std::string(255, 'x')},
        {"", "CCallScope::~CCallScope", "CallScope", 99, 0},
    };
}

inline void LogAll(const std::vector<Entry>& entries) {
    int line = 0;
    for (const Entry& entry : entries)
        PelmLog(win32::ToNarrow(win32::ToWide(entry.message, CP_UTF8), 932).c_str(), entry.function,
                entry.source, line++, __DATE__, __TIME__, entry.kind, entry.indent,
                entry.kind == 4 ? 1 : 0);
}

// Rows of the save format without their time stamps (a row without a well-formed one whole).
inline std::vector<std::string> WithoutTimeStamps(const std::string& text) {
    std::vector<std::string> rows;
    for (const std::string& row : win32::SplitLines(text)) {
        const size_t tab = row.find('\t');
        const bool stamped = testing_support::IsLogTimeStamp(row.substr(0, tab));
        rows.push_back(stamped ? row.substr(tab + 1) : row);
    }
    return rows;
}

class ViewerProcess {
public:
    explicit ViewerProcess(const std::string& arguments = std::string())
        : process_(testing_support::StartProcess("\"" + testing_support::ExecutableDirectory() +
                                                 "\\PelmoraLogView.exe\" /save \"" + SavePath() +
                                                 "\" " + arguments)) {
        testing_support::WaitUntil([this] {
            for (HWND w = nullptr;
                 (w = FindWindowExA(nullptr, w, PELMORA_LOGVIEW_CLASS, nullptr));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == GetProcessId(process_.get())) window_ = w;
            }
            return window_ != nullptr;
        });
        // Listed while still being made and reading its start file; shown once both are done.
        testing_support::WaitUntil([this] { return IsWindowVisible(window_) != FALSE; });
    }
    ~ViewerProcess() {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0)
            TerminateProcess(process_.get(), 1);
    }

    HWND window() const { return window_; }
    void Command(int id) const { SendMessageW(window_, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // kindChoice: an index into the kind list.
    void SetFilter(const std::wstring& text, int kindChoice = 0) const {
        SetDlgItemTextW(window_, logview::kFilterEdit, text.c_str());
        SendDlgItemMessageW(window_, logview::kKindCombo, CB_SETCURSEL, kindChoice, 0);
    }
    void Refresh() const { SendMessageW(window_, WM_TIMER, logview::kCatchUpNow, 0); }
    // The shown rows as the save command writes them (UTF-8).
    std::string SavedText() const {
        DeleteFileA(SavePath().c_str());
        Refresh();
        Command(logview::kSaveCommand);
        return testing_support::ReadFileBytes(SavePath());
    }
    std::vector<std::string> ShownRows() const { return WithoutTimeStamps(SavedText()); }
    std::wstring Status() const {
        Refresh();
        wchar_t text[1024] = L"";
        SendDlgItemMessageW(window_, logview::kStatusBar, WM_GETTEXT, 1024,
                            reinterpret_cast<LPARAM>(text));
        return text;
    }
    int SelectedRow() const {
        return static_cast<int>(
            SendDlgItemMessageW(window_, logview::kRowList, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    }

private:
    std::string SavePath() const { return directory_.File("shown.txt"); }

    testing_support::TempDirectory directory_;
    win32::KernelHandle process_;
    HWND window_ = nullptr;
};

}  // namespace logview_tests
