// This process logs with the viewer (another process) as its log window and drives its window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>

#include "ViewerProcess.h"

namespace {

using logview_tests::ViewerProcess;
using Rows = std::vector<std::string>;

void LogText(const std::string& message) {
    PelmLog(message.c_str(), "F", "S", 1, __DATE__, __TIME__, 1, 0, 0);
}

std::string TextRow(const std::string& message) {
    return "1\t\"" + message + "\"\tF\tS\t1";
}

struct LoggingTo {
    explicit LoggingTo(HWND viewer) {
        PelmSharedLogOpen();
        PeLmLogWndSet(viewer);
    }
    ~LoggingTo() {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }
};

std::wstring Grouped(uint64_t count) {
    std::wstring digits = std::to_wstring(count);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, L",");
    return digits;
}

class LogView : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, viewer_.window()); }
    // Read from a log file, a row has no function, source or line.
    Rows Known(const std::vector<size_t>& entries, bool fromFile = false) const {
        Rows rows;
        for (size_t i : entries) {
            const logview_tests::Entry& e = sequence_[i];
            const std::string where = e.function + ("\t" + std::string(e.source)) + "\t";
            rows.push_back(std::to_string(e.kind) + "\t\"" + std::string(2 * e.indent, ' ') +
                           (e.shown.empty() ? e.message : e.shown) + "\"\t" +
                           (fromFile ? "\t\t" : where + std::to_string(i)));
        }
        return rows;
    }

    ViewerProcess viewer_;
    LoggingTo host_{viewer_.window()};
    const std::vector<logview_tests::Entry> sequence_ = logview_tests::KnownSequence();
};

// A copy of all rows holds the saved text; the host's log file reopened shows the same rows.
// Filters and finds take Latin letters in either case, in the message, the function or the
// source; F3 wraps past the end, and a text no row holds leaves the selection.
TEST_F(LogView, RowsAreSavedCopiedReopenedFilteredAndFound) {
    testing_support::HostLogFile file(PeLmLogFileSet);
    logview_tests::LogAll(sequence_);
    const std::vector<size_t> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Known(all), viewer_.ShownRows());
    const struct {
        const wchar_t* text;
        std::vector<int> selected;  // after each F3
    } finds[] = {{L"lOGIN", {2, 3, 4, 6, 2}}, {L"ｌｏｇｉｎ", {2}}};
    for (const auto& find : finds) {
        SetDlgItemTextW(viewer_.window(), logview::kFindEdit, find.text);
        for (int row : find.selected) {
            viewer_.Command(logview::kFindNextCommand);
            EXPECT_EQ(row, viewer_.SelectedRow()) << win32::ToNarrow(find.text, CP_UTF8);
        }
    }
    EXPECT_NE(std::wstring::npos, viewer_.Status().find(L"「ｌｏｇｉｎ」は見つかりませんでした"));
    viewer_.Command(logview::kSelectAllCommand);
    viewer_.Command(logview::kCopyCommand);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE copied = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(std::regex_replace(win32::ToWide(viewer_.SavedText(), CP_UTF8), std::wregex(L"\n"),
                                 L"\r\n"),
              copied ? static_cast<const wchar_t*>(GlobalLock(copied)) : L"");
    GlobalUnlock(copied);
    CloseClipboard();
    EXPECT_EQ(Known(all, true), ViewerProcess("\"" + file.path() + "\"").ShownRows());
    const struct {
        const wchar_t* text;
        int kindChoice;  // in the kind list: all, 0, 1, 2, 3, 4, 99
        std::vector<size_t> shown;
    } filters[] = {
        {L"サーバー", 0, {1}},
        {L"lOGIN", 0, {2, 3, 4, 6}},
        {L"LOGIN", 5, {6}},
        {L"limits", 0, {7}},
        // A backslash is the second byte of "ソ" and "表" in Shift_JIS: only the path has one.
        {L"\\", 0, {5}},
        {L"", 6, {8}},
        {L"", 1, {0, 1}},
        {L"ｌｏｇｉｎ", 0, {}},
    };
    for (const auto& filter : filters) {
        viewer_.SetFilter(filter.text, filter.kindChoice);
        EXPECT_EQ(Known(filter.shown), viewer_.ShownRows()) << filter.kindChoice;
    }
}

// New rows scroll into view while the last row is in view, not once the user scrolled up.
TEST_F(LogView, PauseHoldsTheRowsClearEmptiesThemAndNewRowsAreFollowed) {
    const std::string before = TextRow("before"), during = TextRow("during");
    LogText("before");
    viewer_.Refresh();
    viewer_.Command(logview::kPauseCommand);
    LogText("during");
    EXPECT_EQ(Rows({before}), viewer_.ShownRows());
    viewer_.Command(logview::kPauseCommand);
    EXPECT_EQ(Rows({before, during}), viewer_.ShownRows());
    viewer_.Command(logview::kClearCommand);
    LogText("during");
    EXPECT_EQ(Rows({during}), viewer_.ShownRows());
    HWND list = GetDlgItem(viewer_.window(), logview::kRowList);
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    auto topAfter = [&](int count) {
        while (count-- > 0) LogText("row");
        viewer_.Refresh();
        return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    };
    EXPECT_EQ(300 - perPage, topAfter(299));
    EXPECT_EQ(400 - perPage, topAfter(100));
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    EXPECT_EQ(0, topAfter(100));
}

// A file past either bound (and larger than one read, so lines span reads) shows its newest
// lines, and the status bar counts the older ones skipped.
TEST(LogViewFile, ShowsTheNewestLinesWithinTheBoundsAndCountsTheSkipped) {
    const int lines = 30000;
    auto message = [](int i) {
        return "\"line " + std::to_string(i) + std::string(20, '.') + "\"";
    };
    std::string text;
    for (int i = 0; i < lines; ++i) text += "2026/12/07 10:00:00\t1\t" + message(i) + "\r\n";
    testing_support::TempDirectory directory;
    const std::string path = directory.File("big.log");
    ASSERT_TRUE(testing_support::WriteFileBytes(path, text));
    for (const char* bounds : {"/maxrecords 1000", "/maxbytes 262144"}) {
        ViewerProcess viewer(std::string(bounds) + " \"" + path + "\"");
        const Rows shown = viewer.ShownRows();
        ASSERT_FALSE(shown.empty()) << bounds;
        ASSERT_LT(shown.size(), static_cast<size_t>(lines)) << bounds;
        const int first = lines - static_cast<int>(shown.size());
        for (size_t i = 0; i < shown.size(); ++i)
            ASSERT_EQ("1\t" + message(first + static_cast<int>(i)) + "\t\t\t", shown[i]) << bounds;
        EXPECT_NE(std::wstring::npos,
                  viewer.Status().find(L"古い " + Grouped(static_cast<uint64_t>(first)) +
                                       L" 件は読み飛ばしました"))
            << bounds;
    }
}

// A file that cannot be read or holds no log line leaves a full store as it was and says why.
TEST(LogViewFile, AFileThatFailsLeavesAFullStoreAsItWas) {
    testing_support::TempDirectory directory;
    const std::string path = directory.File("open.log");
    ViewerProcess viewer("/maxrecords 3 /open \"" + path + "\"");
    LoggingTo host(viewer.window());
    for (const char* text : {"a", "b", "c", "d"}) LogText(text);
    const Rows full = {TextRow("b"), TextRow("c"), TextRow("d")};
    const struct {
        const char* content;  // none: no such file
        const wchar_t* said;
        Rows shown;
    } cases[] = {
        {nullptr, L"ファイルを読めませんでした", full},
        {"no log line\r\n", L"ログの行がないファイルです", full},
        {"2026/12/07 10:00:00\t4\t\"  e\"\r\n", L"open.log", {"4\t\"  e\"\t\t\t"}},
    };
    for (const auto& open : cases) {
        if (open.content) {
            ASSERT_TRUE(testing_support::WriteFileBytes(path, open.content));
        }
        viewer.Command(logview::kOpenCommand);
        EXPECT_EQ(open.shown, viewer.ShownRows()) << win32::ToNarrow(open.said, CP_UTF8);
        EXPECT_NE(std::wstring::npos, viewer.Status().find(open.said));
    }
}

// Every record received, those the store dropped included, is in the split files once the list
// caught up; an earlier capture's part stays; stopped, nothing more is written.
TEST(LogViewKeepSaving, EveryReceivedRecordReachesTheFiles) {
    testing_support::TempDirectory directory;
    const std::string path = directory.File("day.txt");
    ViewerProcess viewer("/maxrecords 10 /keepsplit 20000 /keep \"" + path + "\"");
    LoggingTo host(viewer.window());
    LogText("before");
    ASSERT_TRUE(testing_support::WriteFileBytes(directory.File("day-2.txt"), "earlier"));
    viewer.Command(logview::kKeepSavingCommand);
    Rows received;
    for (int i = 0; i < 1400; ++i) {
        received.push_back(TextRow("row " + std::to_string(i)));
        LogText("row " + std::to_string(i));
    }
    EXPECT_NE(std::wstring::npos, viewer.Status().find(L"day-4.txt"));
    auto kept = [&] {
        std::string text;
        EXPECT_EQ("earlier", testing_support::ReadFileBytes(directory.File("day-2.txt")));
        for (const char* name : {"day.txt", "day-3.txt", "day-4.txt"}) {
            const std::string part = testing_support::ReadFileBytes(directory.File(name));
            EXPECT_LE(part.size(), 20000u) << name;
            text += part;
        }
        return logview_tests::WithoutTimeStamps(text);
    };
    EXPECT_EQ(received, kept());
    viewer.Command(logview::kKeepSavingCommand);
    LogText("after");
    viewer.Refresh();
    EXPECT_EQ(received, kept());
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
