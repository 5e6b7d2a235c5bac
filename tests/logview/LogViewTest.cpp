// This process logs with the viewer (another process) as its log window and drives its window;
// the viewer's rows are read back through its save command.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "RecordText.h"
#include "ViewerIds.h"
#include "ViewerWindow.h"
#include "pelmora.h"
#include "support/HostLogFile.h"
#include "win32/Strings.h"

namespace {

using Rows = std::vector<std::string>;

struct Entry {
    std::string message;  // UTF-8 here, Shift_JIS as the host passes it
    const char *function, *source;
    int kind, indent;
    std::string shown = std::string();  // as a row shows the message, when not the same
};

// "ソ" and "表" end in a backslash byte in Shift_JIS; a line feed shows as a space; 300 bytes cut.
const std::vector<Entry> kSequence = {
    {u8"Init開始", "CPelmoraInterface::Init", "PelmoraInterface", 0, 3},
    {u8"サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 0, 1},
    {u8"接続先：\thttp://127.0.0.1/Login", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 3,
     2, u8"接続先： http://127.0.0.1/Login"},
    {u8"ソフト表示", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
    {u8"一行目\n二行目", "CLoginDialog::OnOK", "LoginDialog", 1, 1, u8"一行目 二行目"},
    {"C:\\temp\\pmqclient.exe", "CHttpRequestUtil::Run", "HttpRequestUtil", 2, 2},
    {u8"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 4, 1},
    {std::string(300, 'x'), "Cut", "Limits", 2, 0, std::string(255, 'x')},
    {"", "CCallScope::~CCallScope", "CallScope", 99, 0},
};

std::string WithoutMark(const std::string& text) {
    return text.compare(0, 3, logview::kSavedFileMark) == 0 ? text.substr(3) : text;
}

// Rows of the save format without their time stamps (a row without a well-formed one whole).
Rows WithoutTimeStamps(const std::string& text) {
    Rows rows;
    for (const std::string& row : win32::SplitLines(WithoutMark(text))) {
        const size_t tab = row.find('\t');
        const bool stamped = testing_support::IsLogTimeStamp(row.substr(0, tab));
        rows.push_back(stamped ? row.substr(tab + 1) : row);
    }
    return rows;
}

// Read from a log file, a row has no function, source or line.
Rows Known(const std::vector<size_t>& entries, bool fromFile = false) {
    Rows rows;
    for (size_t i : entries) {
        const Entry& e = kSequence[i];
        const std::string where = e.function + ("\t" + std::string(e.source)) + "\t";
        rows.push_back(std::to_string(e.kind) + "\t\"" + std::string(2 * e.indent, ' ') +
                       (e.shown.empty() ? e.message : e.shown) + "\"\t" +
                       (fromFile ? "\t\t" : where + std::to_string(i)));
    }
    return rows;
}

// Logs `message` and returns the row that shows it.
std::string LogText(const std::string& message) {
    PelmLog(message.c_str(), "F", "S", 1, __DATE__, __TIME__, 1, 0, 0);
    return "1\t\"" + message + "\"\tF\tS\t1";
}

// Drops `paths` on a viewer window of this process, as the shell does (the HDROP is this
// process's memory, which the window frees), and returns the rows it then saves.
std::string DropOnViewer(const std::vector<std::string>& paths) {
    testing_support::TempDirectory directory;
    logview::ViewerOptions options;
    options.savePath = win32::ToWide(directory.File("shown.txt"));
    options.settingsPath = win32::ToWide(directory.File("settings.ini"));
    logview::ViewerWindow viewer(options);
    if (!viewer.Create(GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE)) return "no window";
    std::wstring list;
    for (const std::string& path : paths) list += win32::ToWide(path) + L'\0';
    const size_t bytes = (list.size() + 1) * sizeof(wchar_t);
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(files + 1, list.c_str(), bytes);
    GlobalUnlock(drop);
    SendMessageW(viewer.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    SendMessageW(viewer.window(), WM_COMMAND, logview::kSaveCommand, 0);
    DestroyWindow(viewer.window());
    return testing_support::ReadFileBytes(directory.File("shown.txt"));
}

class ViewerProcess {
public:
    explicit ViewerProcess(const std::string& arguments = std::string())
        : process_(testing_support::StartProcess(
              "\"" + testing_support::ExecutableDirectory() + "\\PelmoraLogView.exe\" /save \"" +
              SavePath() + "\" /settings \"" + directory_.File("settings.ini") + "\" " +
              arguments)) {
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
        PelmSharedLogOpen();  // this process logs to the viewer while it runs
        PeLmLogWndSet(window_);
    }
    ~ViewerProcess() { Close(); }
    void Close() {
        if (window_ == nullptr) return;
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
        PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0)
            TerminateProcess(process_.get(), 1);
        window_ = nullptr;
    }

    HWND window() const { return window_; }
    void Command(int id) const { SendMessageW(window_, WM_COMMAND, static_cast<WPARAM>(id), 0); }
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
    Rows ShownRows() const { return WithoutTimeStamps(SavedText()); }
    std::wstring CopiedText() const {
        Command(logview::kSelectAllCommand);
        Command(logview::kCopyCommand);
        std::wstring text;
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE copied = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(copied));
            GlobalUnlock(copied);
        }
        CloseClipboard();
        return text;
    }
    std::wstring Status() const {
        Refresh();
        wchar_t text[1024] = L"";
        SendDlgItemMessageW(window_, logview::kStatusBar, WM_GETTEXT, 1024,
                            reinterpret_cast<LPARAM>(text));
        return text;
    }

private:
    std::string SavePath() const { return directory_.File("shown.txt"); }

    testing_support::TempDirectory directory_;
    win32::KernelHandle process_;
    HWND window_ = nullptr;
};

// A copy of all rows holds the saved text; the host's log file reopened shows the same rows.
// Filters and finds take Latin letters in either case, in the message, the function or the
// source; F3 and Shift+F3 wrap past either end, F8 goes to an error row, and a text no row holds
// leaves the selection, which the context menu's filters take.
TEST(LogView, RowsAreSavedCopiedReopenedFilteredAndFound) {
    ViewerProcess viewer;
    testing_support::HostLogFile file(PeLmLogFileSet);
    int line = 0;
    for (const Entry& e : kSequence)
        PelmLog(win32::ToNarrow(win32::ToWide(e.message, CP_UTF8), 932).c_str(), e.function,
                e.source, line++, __DATE__, __TIME__, e.kind, e.indent, e.kind == 4 ? 1 : 0);
    const std::vector<size_t> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Known(all), viewer.ShownRows());
    // The row each F3 (+1) and Shift+F3 (-1) with the text, F8 (0) for errors, selects.
    const std::pair<const wchar_t*, std::vector<std::pair<int, int>>> finds[] = {
        {L"lOGIN", {{1, 2}, {1, 3}, {1, 4}, {1, 6}, {1, 2}, {-1, 6}, {-1, 4}, {0, 6}}},
        {L"ｌｏｇｉｎ", {{1, 6}}}};
    HWND list = GetDlgItem(viewer.window(), logview::kRowList);
    for (const auto& find : finds) {
        SetDlgItemTextW(viewer.window(), logview::kFindEdit, find.first);
        for (auto [step, row] : find.second) {
            viewer.Command(step == 0  ? logview::kNextErrorCommand
                           : step > 0 ? logview::kFindNextCommand
                                      : logview::kFindPreviousCommand);
            EXPECT_EQ(row, ListView_GetNextItem(list, -1, LVNI_SELECTED))
                << win32::ToNarrow(find.first, CP_UTF8) << step;
        }
    }
    EXPECT_NE(std::wstring::npos, viewer.Status().find(L"「ｌｏｇｉｎ」は見つかりませんでした"));
    EXPECT_EQ(win32::ToWide(WithoutMark(viewer.SavedText()), CP_UTF8), viewer.CopiedText());
    // The context menu's filters take the focused row (the error row, 6).
    viewer.Command(logview::kFilterBySourceCommand);
    EXPECT_EQ(Known({6}), viewer.ShownRows());
    viewer.Command(logview::kClearFilterCommand);
    EXPECT_EQ(Known(all, true), ViewerProcess("\"" + file.path() + "\"").ShownRows());
    // Text, the choice in the kind list (all, 0, 1, 2, 3, 4, 99) and the entries shown.
    const std::tuple<const wchar_t*, int, std::vector<size_t>> filters[] = {
        {L"サーバー", 0, {1}},
        {L"lOGIN", 0, {2, 3, 4, 6}},
        {L"limits", 0, {7}},
        // A backslash is the second byte of "ソ" and "表" in Shift_JIS: only the path has one.
        {L"\\", 0, {5}},
        {L"", 6, {8}},
        {L"", 1, {0, 1}},
        {L"ｌｏｇｉｎ", 0, {}},
    };
    for (const auto& [text, kindChoice, shown] : filters) {
        viewer.SetFilter(text, kindChoice);
        EXPECT_EQ(Known(shown), viewer.ShownRows()) << kindChoice;
    }
}

// Records any process can put in the shared block: control characters in every field, fields
// without their NUL, the longest fields (a double-byte character cut in half at the end; one-byte
// katakana, three bytes each in UTF-8), indents out of range. Saved, kept and copied, every row
// has six columns and each file opens to the same rows.
TEST(LogViewFile, HostileRecordsComeBackFromSavedKeptAndCopiedFiles) {
    // Time, message, function and source, each copied up to its field's size.
    auto make = [](const std::array<std::string, 4>& texts, int kind, int indent, int line) {
        LOG_RECORD r{{}, {}, {}, line, {}, indent, kind, 0};
        char* fields[] = {r.time, r.message, r.function, r.source};
        for (int i = 0; i < 4; ++i) texts[i].copy(fields[i], 256);
        return r;
    };
    const std::string full(256, 'x'), kana(255, '\xB1');
    std::string cut;
    for (int i = 0; i < 127; ++i) cut += "ロ";
    const LOG_RECORD records[] = {
        make({"2026/12/07 10:00:00\t9", "a\nb\rc\td\x01\x7f\x80", "F\tx\ny", "S\r\n"}, 2, 1, 7),
        make({full, full, full, full}, 4, 3, -5),
        make({"2026/12/07 10:00:01", cut + '\x83', "関数", ""}, 99, 150, 0),
        make({"", "\"quoted\"\r\n", "", ""}, 1, -3, 0),
        make({kana, kana, kana, kana}, 0, 2, 1),
    };
    testing_support::TempDirectory directory;
    const std::string kept = directory.File("kept.txt");
    ViewerProcess viewer("/keep \"" + kept + "\"");
    viewer.Command(logview::kKeepSavingCommand);
    for (const LOG_RECORD& record : records) {
        ASSERT_TRUE(PelmSharedLogWrite(&record));
        SendMessageW(viewer.window(), PELMORA_WM_LOG, 0, 0);
    }
    const std::string saved = viewer.SavedText();
    viewer.Command(logview::kKeepSavingCommand);
    const Rows rows = win32::SplitLines(WithoutMark(saved));
    ASSERT_EQ(std::size(records), rows.size());
    for (const std::string& row : rows) EXPECT_EQ(5, std::count(row.begin(), row.end(), '\t'));
    EXPECT_EQ(0u, saved.find(logview::kSavedFileMark));
    EXPECT_EQ(rows.size(), static_cast<size_t>(std::count(saved.begin(), saved.end(), '\r')));
    EXPECT_EQ(saved, testing_support::ReadFileBytes(kept));
    const std::string files[][2] = {{"saved.txt", saved},
                                    {"copied.txt", win32::ToNarrow(viewer.CopiedText(), CP_UTF8)},
                                    {"kept.txt", testing_support::ReadFileBytes(kept)}};
    for (const auto& [name, content] : files) {
        ASSERT_TRUE(testing_support::WriteFileBytes(directory.File(name), content));
        EXPECT_EQ(saved, DropOnViewer({directory.File(name)})) << name;
    }
}

// New rows scroll into view while the last row is in view, not once the user scrolled up.
TEST(LogView, PauseHoldsTheRowsClearEmptiesThemAndNewRowsAreFollowed) {
    ViewerProcess viewer;
    const std::string before = LogText("before");
    viewer.Refresh();
    viewer.Command(logview::kPauseCommand);
    const std::string during = LogText("during");
    EXPECT_EQ(Rows({before}), viewer.ShownRows());
    viewer.Command(logview::kPauseCommand);
    EXPECT_EQ(Rows({before, during}), viewer.ShownRows());
    viewer.Command(logview::kClearCommand);
    LogText("during");
    EXPECT_EQ(Rows({during}), viewer.ShownRows());
    HWND list = GetDlgItem(viewer.window(), logview::kRowList);
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    auto topAfter = [&](int count) {
        while (count-- > 0) LogText("row");
        viewer.Refresh();
        return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    };
    EXPECT_EQ(300 - perPage, topAfter(299));
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    EXPECT_EQ(0, topAfter(100));
}

// A file past the byte bound (and larger than one read, so lines span reads) shows its newest
// lines, and the status bar counts the older ones skipped.
TEST(LogViewFile, ShowsTheNewestLinesWithinTheBoundsAndCountsTheSkipped) {
    const int lines = 30000;
    auto message = [](int i) { return "\"line " + std::to_string(i) + "....................\""; };
    std::string text;
    for (int i = 0; i < lines; ++i) text += "2026/12/07 10:00:00\t1\t" + message(i) + "\r\n";
    testing_support::TempDirectory directory;
    const std::string path = directory.File("big.log");
    ASSERT_TRUE(testing_support::WriteFileBytes(path, text));
    ViewerProcess viewer("/maxbytes 262144 \"" + path + "\"");
    const Rows shown = viewer.ShownRows();
    ASSERT_LT(shown.size(), static_cast<size_t>(lines));
    const int first = lines - static_cast<int>(shown.size());
    for (size_t i = 0; i < shown.size(); ++i)
        ASSERT_EQ("1\t" + message(first + static_cast<int>(i)) + "\t\t\t", shown[i]);
    std::wstring skipped = std::to_wstring(first);  // thousands, grouped
    skipped.insert(skipped.size() - 3, L",");
    EXPECT_NE(std::wstring::npos,
              viewer.Status().find(L"古い " + skipped + L" 件は読み飛ばしました"));
}

// A file that cannot be read or holds no log line leaves a full store as it was and says why.
TEST(LogViewFile, AFileThatFailsLeavesAFullStoreAsItWas) {
    testing_support::TempDirectory directory;
    const std::string path = directory.File("open.log");
    ViewerProcess viewer("/maxrecords 3 /open \"" + path + "\"");
    Rows full;
    for (const char* text : {"a", "b", "c", "d"}) full.push_back(LogText(text));
    full.erase(full.begin());  // the store holds three
    // What the file holds (none: no such file), what the status says, the rows then shown.
    const std::tuple<const char*, const wchar_t*, Rows> cases[] = {
        {nullptr, L"ファイルを読めませんでした", full},
        {"no log line\r\n", L"ログの行がないファイルです", full},
        {"2026/12/07 10:00:00\t4\t\"  e\"\r\n", L"open.log", {"4\t\"  e\"\t\t\t"}},
    };
    for (const auto& [content, said, shown] : cases) {
        ASSERT_TRUE(!content || testing_support::WriteFileBytes(path, content));
        viewer.Command(logview::kOpenCommand);
        EXPECT_EQ(shown, viewer.ShownRows()) << win32::ToNarrow(said, CP_UTF8);
        EXPECT_NE(std::wstring::npos, viewer.Status().find(said));
    }
}

// Every record received, those the store dropped included, is in the split files once the list
// caught up; an earlier capture's part stays; stopped, nothing more is written.
TEST(LogViewKeepSaving, EveryReceivedRecordReachesTheFiles) {
    testing_support::TempDirectory directory;
    const std::string path = directory.File("day.txt");
    ViewerProcess viewer("/maxrecords 10 /keepsplit 20000 /keep \"" + path + "\"");
    LogText("before");
    const std::string earlier = "2026/12/06 10:00:00\t1\t\"earlier\"\tF\tS\t1\r\n";
    ASSERT_TRUE(testing_support::WriteFileBytes(directory.File("day-2.txt"), earlier));
    viewer.Command(logview::kKeepSavingCommand);
    Rows received;
    for (int i = 0; i < 1400; ++i) received.push_back(LogText("row " + std::to_string(i)));
    EXPECT_NE(std::wstring::npos, viewer.Status().find(L"day-4.txt"));
    EXPECT_EQ(earlier, testing_support::ReadFileBytes(directory.File("day-2.txt")));
    std::string text;
    for (const char* name : {"day.txt", "day-3.txt", "day-4.txt"}) {
        const std::string part = testing_support::ReadFileBytes(directory.File(name));
        EXPECT_LE(part.size(), 20000u) << name;
        EXPECT_EQ(0u, part.find(logview::kSavedFileMark)) << name;  // each opens on its own
        text += WithoutMark(part);
    }
    EXPECT_EQ(received, WithoutTimeStamps(text));
    viewer.Command(logview::kKeepSavingCommand);
    LogText("after");
    viewer.Refresh();
    const std::string last = testing_support::ReadFileBytes(directory.File("day-4.txt"));
    EXPECT_EQ(std::string::npos, last.find("after"));
    // The first opens whole, and all dropped together (in any order) open once each, in order;
    // the earlier capture's part is left out.
    EXPECT_EQ(received, WithoutTimeStamps(DropOnViewer({path})));
    EXPECT_EQ(received, WithoutTimeStamps(
                            DropOnViewer({directory.File("day-4.txt"), directory.File("day-2.txt"),
                                          path, directory.File("day-3.txt")})));
}

// Closed and started again, the viewer has its place, column widths, filter and kind, bounds and
// recent files back, from the user's settings file.
TEST(LogViewSettings, WhatTheUserSetIsThereOnTheNextRun) {
    testing_support::TempDirectory directory;
    const std::string settings = "/settings \"" + directory.File("view.ini") + "\"";
    const std::string log = directory.File("host.log");
    ASSERT_TRUE(testing_support::WriteFileBytes(log, "2026/12/07 10:00:00\t1\t\"row\"\n"));
    ViewerProcess first(settings + " /maxrecords 3 /open \"" + log + "\"");
    first.Command(logview::kOpenCommand);
    first.SetFilter(L"Row", 2);  // kind 1
    ListView_SetColumnWidth(GetDlgItem(first.window(), logview::kRowList), 2, 333);
    SetWindowPos(first.window(), nullptr, 50, 60, 700, 500, SWP_NOZORDER);
    first.Close();
    ViewerProcess again(settings);
    wchar_t filter[16] = L"";
    GetDlgItemTextW(again.window(), logview::kFilterEdit, filter, 16);
    EXPECT_STREQ(L"Row", filter);
    EXPECT_EQ(2, SendDlgItemMessageW(again.window(), logview::kKindCombo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(333, ListView_GetColumnWidth(GetDlgItem(again.window(), logview::kRowList), 2));
    RECT placed{};
    GetWindowRect(again.window(), &placed);
    EXPECT_EQ(std::make_tuple(50L, 60L, 750L, 560L),
              std::make_tuple(placed.left, placed.top, placed.right, placed.bottom));
    EXPECT_NE(std::wstring::npos, again.Status().find(L"上限 3 件"));
    again.Command(logview::kRecentFileCommand);
    EXPECT_EQ(Rows({"1\t\"row\"\t\t\t"}), again.ShownRows());
}

// The ladder logs into the viewer's own list from its worker thread, up to the first failed step.
TEST(LogViewDiagnosis, EveryStepAndItsOutcomeLandInTheList) {
    if (!PeLmGetIsNetworkAvailable() || !PeLmIsInternetConnected())
        GTEST_SKIP() << "this machine has no network: the ladder stops before the service";
    ViewerProcess viewer("/server http://127.0.0.1:1 /diagnose");  // nothing listens there
    viewer.SetFilter(L"CLogView::Diagnose");
    Rows own;
    ASSERT_TRUE(testing_support::WaitUntil([&] { return (own = viewer.ShownRows()).size() >= 6; }));
    for (std::string& row : own) row.erase(row.find("\tCLogView::Diagnose\tPelmoraLogView\t"));
    EXPECT_EQ(u8"3\t\"  接続先： http://127.0.0.1:1/Pelmora/Pelmora/CheckSqlServerRunning\"",
              own[1]);
    EXPECT_EQ(u8"4\t\"接続診断の結果： サービスの応答に問題があります\"", own.back());
}

}  // namespace
