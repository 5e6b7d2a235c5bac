#include "ViewerProcess.h"

#include <cstdlib>

#include "ViewerIds.h"
#include "pelmora.h"

namespace logview_tests {
namespace {
struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchViewer(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    char name[64] = "";
    DWORD owner = 0;
    GetClassNameA(window, name, sizeof name);
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || std::string(name) != PELMORA_LOGVIEW_CLASS) return TRUE;
    search->found = window;
    return FALSE;
}

SavedRow ParseSavedRow(std::string line) {
    SavedRow row;
    // From the right end: function, source and line never hold a tab, while the message may.
    for (std::string* field : {&row.line, &row.source, &row.function}) {
        const size_t tab = line.rfind('\t');
        if (tab == std::string::npos) return SavedRow();
        *field = line.substr(tab + 1);
        line.erase(tab);
    }
    static_cast<testing_support::LogLine&>(row) = testing_support::ParseLogLine(line);
    return row;
}
}  // namespace

std::string Describe(const SavedRow& row) {
    return std::to_string(row.kind) + "|" + std::to_string(row.indent) + "|" + row.text + "|" +
           row.function + "|" + row.source + "|" + row.line;
}

std::vector<Entry> KnownSequence() {
    std::string kana, cut;
    for (int i = 0; i < 85; ++i) {
        kana += "あ";
        cut += u8"あ";
    }
    kana += std::string(85, 'a');
    cut += std::string(85, 'a');
    return {
        {"Init開始", u8"Init開始", "CPelmoraInterface::Init", "PelmoraInterface", 0, 0},
        {"サーバーが生きているか確認", u8"サーバーが生きているか確認", "CPelmoraInterface::Test",
         "PelmoraInterface", 0, 1},
        {"接続先：\thttp://127.0.0.1/Login", u8"接続先：\thttp://127.0.0.1/Login",
         "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 3, 2},
        {"ステータスコード：\t200", u8"ステータスコード：\t200", "CHttpRequestUtil::BeginRequest",
         "HttpRequestUtil", 2, 3},
        {"ソフト表示", u8"ソフト表示", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
        {"一行目\n二行目", u8"一行目 二行目", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
        {"C:\\temp\\pmqclient.exe", "C:\\temp\\pmqclient.exe", "CHttpRequestUtil::Run",
         "HttpRequestUtil", 2, 2},
        {"ログインに失敗しました", u8"ログインに失敗しました", "CLoginRequest::Send",
         "LoginRequest", 4, 1},
        {kana, cut, "Cut", "Limits", 2, 0},
        {std::string(300, 'x'), std::string(255, 'x'), "Cut", "Limits", 2, 0},
        {"", "", "CCallScope::~CCallScope", "CallScope", 99, 0},
    };
}

void LogAll(const std::vector<Entry>& entries) {
    for (size_t i = 0; i < entries.size(); ++i)
        PelmLog(entries[i].message.c_str(), entries[i].function, entries[i].source,
                static_cast<int>(i), __DATE__, __TIME__, entries[i].kind, entries[i].indent,
                entries[i].kind == 4 ? 1 : 0);
}

ViewerProcess::ViewerProcess(const std::string& arguments) {
    process_ = testing_support::StartProcess("\"" + testing_support::ExecutableDirectory() +
                                             "\\PelmoraLogView.exe\" /save \"" +
                                             directory_.File("shown.txt") + "\" " + arguments);
    if (process_ == nullptr) return;
    Search search{GetProcessId(process_), nullptr};
    testing_support::WaitUntil([&] {
        EnumWindows(MatchViewer, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    window_ = search.found;
    // The window is listed while it is still being made; once it answers, its controls exist.
    if (window_ != nullptr) Send(window_, WM_NULL, 0, 0);
}

ViewerProcess::~ViewerProcess() {
    if (process_ == nullptr) return;
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
}

LRESULT ViewerProcess::Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(target, message, wParam, lParam, SMTO_ABORTIFHUNG, 30000, &result);
    return static_cast<LRESULT>(result);
}

void ViewerProcess::Command(int id) const {
    Send(window_, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void ViewerProcess::SetFilter(const std::wstring& text, int kindChoice) const {
    Send(GetDlgItem(window_, logview::kFilterEdit), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>(text.c_str()));
    Send(GetDlgItem(window_, logview::kKindCombo), CB_SETCURSEL, static_cast<WPARAM>(kindChoice),
         0);
}

void ViewerProcess::Refresh() const {
    Send(window_, WM_TIMER, logview::kCatchUpNow, 0);
}

std::string ViewerProcess::SavedText() const {
    const std::string path = directory_.File("shown.txt");
    DeleteFileA(path.c_str());
    Refresh();
    Command(logview::kSaveCommand);
    return testing_support::ReadFileBytes(path);
}

std::vector<SavedRow> ViewerProcess::ShownRows() const {
    std::vector<SavedRow> rows;
    for (const std::string& line : testing_support::SplitLogLines(SavedText()))
        rows.push_back(ParseSavedRow(line));
    return rows;
}

}  // namespace logview_tests
