// This process logs with the viewer (another process) as its log window and drives its window;
// the viewer's rows are read back through its save command.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "ViewerIds.h"
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
     2},
    {u8"ソフト表示", "CLoginDialog::OnOK", "LoginDialog", 1, 1},
    {u8"一行目\n二行目", "CLoginDialog::OnOK", "LoginDialog", 1, 1, u8"一行目 二行目"},
    {"C:\\temp\\pmqclient.exe", "CHttpRequestUtil::Run", "HttpRequestUtil", 2, 2},
    {u8"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 4, 1},
    {std::string(300, 'x'), "Cut", "Limits", 2, 0, std::string(255, 'x')},
    {"", "CCallScope::~CCallScope", "CallScope", 99, 0},
};

// Rows of the save format without their time stamps (a row without a well-formed one whole).
Rows WithoutTimeStamps(const std::string& text) {
    Rows rows;
    for (const std::string& row : win32::SplitLines(text)) {
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
        PelmSharedLogOpen();  // this process logs to the viewer while it runs
        PeLmLogWndSet(window_);
    }
    ~ViewerProcess() {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
        PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0)
            TerminateProcess(process_.get(), 1);
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
// source; F3 wraps past the end, and a text no row holds leaves the selection.
TEST(LogView, RowsAreSavedCopiedReopenedFilteredAndFound) {
    ViewerProcess viewer;
    testing_support::HostLogFile file(PeLmLogFileSet);
    int line = 0;
    for (const Entry& e : kSequence)
        PelmLog(win32::ToNarrow(win32::ToWide(e.message, CP_UTF8), 932).c_str(), e.function,
                e.source, line++, __DATE__, __TIME__, e.kind, e.indent, e.kind == 4 ? 1 : 0);
    const std::vector<size_t> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Known(all), viewer.ShownRows());
    // The row each F3 selects.
    const std::pair<const wchar_t*, std::vector<int>> finds[] = {{L"lOGIN", {2, 3, 4, 6, 2}},
                                                                 {L"ｌｏｇｉｎ", {2}}};
    HWND list = GetDlgItem(viewer.window(), logview::kRowList);
    for (const auto& find : finds) {
        SetDlgItemTextW(viewer.window(), logview::kFindEdit, find.first);
        for (int row : find.second) {
            viewer.Command(logview::kFindNextCommand);
            EXPECT_EQ(row, ListView_GetNextItem(list, -1, LVNI_SELECTED))
                << win32::ToNarrow(find.first, CP_UTF8);
        }
    }
    EXPECT_NE(std::wstring::npos, viewer.Status().find(L"「ｌｏｇｉｎ」は見つかりませんでした"));
    viewer.Command(logview::kSelectAllCommand);
    viewer.Command(logview::kCopyCommand);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE copied = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(
        std::regex_replace(win32::ToWide(viewer.SavedText(), CP_UTF8), std::wregex(L"\n"), L"\r\n"),
        copied ? static_cast<const wchar_t*>(GlobalLock(copied)) : L"");
    GlobalUnlock(copied);
    CloseClipboard();
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
    ASSERT_TRUE(testing_support::WriteFileBytes(directory.File("day-2.txt"), "earlier"));
    viewer.Command(logview::kKeepSavingCommand);
    Rows received;
    for (int i = 0; i < 1400; ++i) received.push_back(LogText("row " + std::to_string(i)));
    EXPECT_NE(std::wstring::npos, viewer.Status().find(L"day-4.txt"));
    EXPECT_EQ("earlier", testing_support::ReadFileBytes(directory.File("day-2.txt")));
    std::string text;
    for (const char* name : {"day.txt", "day-3.txt", "day-4.txt"}) {
        const std::string part = testing_support::ReadFileBytes(directory.File(name));
        EXPECT_LE(part.size(), 20000u) << name;
        text += part;
    }
    EXPECT_EQ(received, WithoutTimeStamps(text));
    viewer.Command(logview::kKeepSavingCommand);
    LogText("after");
    viewer.Refresh();
    const std::string last = testing_support::ReadFileBytes(directory.File("day-4.txt"));
    EXPECT_EQ(std::string::npos, last.find("after"));
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
    EXPECT_EQ(u8"3\t\"  接続先：\thttp://127.0.0.1:1/Pelmora/Pelmora/CheckSqlServerRunning\"",
              own[1]);
    EXPECT_EQ(u8"4\t\"接続診断の結果：\tサービスの応答に問題があります\"", own.back());
}

}  // namespace
