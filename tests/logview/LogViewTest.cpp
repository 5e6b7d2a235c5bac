// The viewer as hosts and support people meet it: this process logs with the viewer (another
// process) as its log window, drives its real window and reads its rows back through its save.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>

#include "ViewerProcess.h"

namespace {

using logview_tests::ViewerProcess;
using Rows = std::vector<std::string>;

void LogText(const char* message) {
    PelmLog(message, "F", "S", 1, __DATE__, __TIME__, 1, 0, 0);
}

// This process is the host: it opens the shared block and makes the viewer its log window.
class LogView : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, viewer_.window());
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(viewer_.window());
    }
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }
    // Read from a log file, a row has no function, source or line.
    Rows Known(const std::vector<size_t>& entries = {0, 1, 2, 3, 4, 5, 6, 7, 8},
               bool fromFile = false) const {
        Rows rows;
        for (size_t i : entries) {
            const logview_tests::Entry& entry = sequence_[i];
            rows.push_back(std::to_string(entry.kind) + "\t\"" +
                           std::string(2 * entry.indent, ' ') +
                           (entry.shown.empty() ? entry.message : entry.shown) + "\"\t" +
                           (fromFile ? "\t\t"
                                     : entry.function + ("\t" + std::string(entry.source)) + "\t" +
                                           std::to_string(i)));
        }
        return rows;
    }

    ViewerProcess viewer_;
    const std::vector<logview_tests::Entry> sequence_ = logview_tests::KnownSequence();
};

// A copy of all rows holds the saved text; the log file the host wrote meanwhile, opened in a
// second viewer, shows the same rows, each with its own time stamp.
TEST_F(LogView, SavedCopiedAndReopenedRowsAreTheLoggedSequence) {
    testing_support::HostLogFile file(PeLmLogFileSet);
    logview_tests::LogAll(sequence_);
    EXPECT_EQ(Known(), viewer_.ShownRows());
    viewer_.Command(logview::kSelectAllCommand);
    viewer_.Command(logview::kCopyCommand);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE copied = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(std::regex_replace(win32::ToWide(viewer_.SavedText(), CP_UTF8), std::wregex(L"\n"),
                                 L"\r\n"),
              copied ? static_cast<const wchar_t*>(GlobalLock(copied)) : L"");
    GlobalUnlock(copied);
    CloseClipboard();
    EXPECT_EQ(Known({0, 1, 2, 3, 4, 5, 6, 7, 8}, true),
              ViewerProcess("\"" + file.path() + "\"").ShownRows());
}

TEST_F(LogView, FiltersByTextAndKind) {
    logview_tests::LogAll(sequence_);
    const struct {
        const wchar_t* text;
        int kindChoice;  // in the kind list: all, 0, 1, 2, 3, 4, 99
        std::vector<size_t> shown;
    } cases[] = {
        {L"サーバー", 0, {1}},
        // Latin letters in either case, in the message, the function or the source.
        {L"lOGIN", 0, {2, 3, 4, 6}},
        {L"LOGIN", 5, {6}},
        {L"limits", 0, {7}},
        // A backslash is the second byte of "ソ" and "表" in Shift_JIS: only the path has one.
        {L"\\", 0, {5}},
        {L"", 6, {8}},
        {L"", 1, {0, 1}},
        {L"ｌｏｇｉｎ", 0, {}},
    };
    for (const auto& filter : cases) {
        viewer_.SetFilter(filter.text, filter.kindChoice);
        EXPECT_EQ(Known(filter.shown), viewer_.ShownRows()) << filter.kindChoice;
    }
}

TEST_F(LogView, PauseHoldsTheRowsWhileRecordsStillArriveAndClearEmptiesThem) {
    const std::string before = "1\t\"before\"\tF\tS\t1", during = "1\t\"during\"\tF\tS\t1";
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
}

// New rows scroll into view while the last row is in view, not once the user scrolled up.
TEST_F(LogView, FollowsNewRowsUnlessScrolledUp) {
    HWND list = GetDlgItem(viewer_.window(), logview::kRowList);
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    auto topAfter = [&](int count) {
        while (count-- > 0) LogText("row");
        viewer_.Refresh();
        return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    };
    EXPECT_EQ(300 - perPage, topAfter(300));
    EXPECT_EQ(400 - perPage, topAfter(100));
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    EXPECT_EQ(0, topAfter(100));
}

// The ladder runs on the viewer's worker thread with the viewer as the library's log window in
// its own process: every step and its outcome land in the list, up to the first that fails.
TEST(LogViewDiagnosis, EveryStepAndItsOutcomeLandInTheList) {
    if (!PeLmGetIsNetworkAvailable() || !PeLmIsInternetConnected())
        GTEST_SKIP() << "this machine has no network: the ladder stops before the service";
    ViewerProcess viewer("/server http://127.0.0.1:1 /diagnose");  // nothing listens there
    viewer.SetFilter(L"CLogView::Diagnose");
    Rows own;
    ASSERT_TRUE(testing_support::WaitUntil([&] { return (own = viewer.ShownRows()).size() >= 6; }));
    for (std::string& row : own) row.erase(row.find("\tCLogView::Diagnose\tPelmoraLogView\t"));
    EXPECT_EQ(Rows({u8"0\t\"接続診断を開始\"",
                    u8"3\t\"  接続先：\thttp://127.0.0.1:1/Pelmora/Pelmora/CheckSqlServerRunning\"",
                    u8"1\t\"  ネットワークアダプタ：\tOK\"", u8"1\t\"  インターネット接続：\tOK\"",
                    u8"4\t\"  サービスの応答：\tNG\"",
                    u8"4\t\"接続診断の結果：\tサービスの応答に問題があります\""}),
              own);
}

}  // namespace
