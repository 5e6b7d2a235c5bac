// The viewer as hosts and support people meet it: a host in this process logs with the viewer
// (another process) as its log window, and the test reads the viewer's rows back through its
// own save command after driving it through its real window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewerIds.h"
#include "ViewerProcess.h"
#include "pelmora.h"
#include "support/HostLogFile.h"
#include "win32/Strings.h"

namespace {

using logview_tests::Describe;
using logview_tests::KnownSequence;
using logview_tests::LogAll;
using logview_tests::SavedRow;
using logview_tests::ViewerProcess;

using Texts = std::vector<std::string>;

Texts Messages(const std::vector<SavedRow>& rows) {
    Texts messages;
    for (const SavedRow& row : rows) messages.push_back(row.text);
    return messages;
}

void LogText(const char* message, int kind = 1) {
    PelmLog(message, "F", "S", 1, __DATE__, __TIME__, kind, 0, 0);
}

std::wstring ClipboardText() {
    std::wstring copied;
    if (!OpenClipboard(nullptr)) return copied;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return copied;
}

// This process is the host: it opens the shared block and makes the viewer its log window.
class LogView : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, viewer.window());
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(viewer.window());
    }
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PeLmLogFileSet(nullptr);
        PelmSharedLogClose();
    }
    ViewerProcess viewer;
};

// The saved rows are the logged sequence in order; a copy of all rows holds the same text; the
// log file the host wrote meanwhile, opened in a second viewer, shows the same rows, each with
// its own time stamp and without function, source or line, which the file does not keep.
TEST_F(LogView, SavedCopiedAndReopenedRowsAreTheLoggedSequence) {
    testing_support::HostLogFile file(PeLmLogFileSet);
    const std::vector<logview_tests::Entry> sequence = KnownSequence();
    LogAll(sequence);
    const std::vector<SavedRow> live = viewer.ShownRows();
    ASSERT_EQ(sequence.size(), live.size());
    for (size_t i = 0; i < live.size(); ++i) {
        const logview_tests::Entry& entry = sequence[i];
        EXPECT_TRUE(live[i].wellFormed) << i;
        EXPECT_EQ(std::to_string(entry.kind) + "|" + std::to_string(entry.indent) + "|" +
                      entry.shown + "|" + entry.function + "|" + entry.source + "|" +
                      std::to_string(i),
                  Describe(live[i]));
    }

    std::wstring saved = win32::ToWide(viewer.SavedText(), CP_UTF8);
    for (size_t at = 0; (at = saved.find(L'\n', at)) != std::wstring::npos; at += 2)
        saved.insert(at, 1, L'\r');  // the clipboard's line ends
    viewer.Command(logview::kSelectAllCommand);
    viewer.Command(logview::kCopyCommand);
    EXPECT_EQ(saved, ClipboardText());

    const std::vector<SavedRow> fromFile = ViewerProcess("\"" + file.path() + "\"").ShownRows();
    ASSERT_EQ(live.size(), fromFile.size());
    for (size_t i = 0; i < live.size(); ++i) {
        SavedRow expected = live[i];
        expected.function = expected.source = expected.line = "";
        EXPECT_EQ(Describe(expected), Describe(fromFile[i]));
        EXPECT_TRUE(fromFile[i].wellFormed);
    }
}

int KindChoice(int kind) {
    int choice = 0;
    while (logview::kKindChoices[choice] != kind) ++choice;
    return choice;
}

TEST_F(LogView, FiltersByTextAndKind) {
    const std::vector<logview_tests::Entry> sequence = KnownSequence();
    LogAll(sequence);
    const struct {
        const wchar_t* text;
        int kind;  // a value of the kind list, -1 for all
        std::vector<size_t> shown;
    } cases[] = {
        {L"サーバー", -1, {1}},
        // Latin letters in either case, in the message, the function or the source.
        {L"lOGIN", -1, {2, 4, 5, 7}},
        {L"LOGIN", 4, {7}},
        {L"limits", -1, {8, 9}},
        // A backslash is the second byte of "ソ" and "表" in Shift_JIS: only the path has one.
        {L"\\", -1, {6}},
        {L"", 99, {10}},
        {L"ｌｏｇｉｎ", -1, {}},
    };
    for (const auto& filter : cases) {
        viewer.SetFilter(filter.text, KindChoice(filter.kind));
        Texts expected;
        for (size_t index : filter.shown) expected.push_back(sequence[index].shown);
        EXPECT_EQ(expected, Messages(viewer.ShownRows())) << filter.kind;
    }
}

TEST_F(LogView, PauseHoldsTheRowsWhileRecordsStillArriveAndClearEmptiesThem) {
    LogText("before");
    viewer.Refresh();
    viewer.Command(logview::kPauseCommand);
    LogText("during");
    EXPECT_EQ(Texts({"before"}), Messages(viewer.ShownRows()));
    viewer.Command(logview::kPauseCommand);
    EXPECT_EQ(Texts({"before", "during"}), Messages(viewer.ShownRows()));
    viewer.Command(logview::kClearCommand);
    LogText("after");
    EXPECT_EQ(Texts({"after"}), Messages(viewer.ShownRows()));
}

// New rows scroll into view while the last row is in view, and leave a user who scrolled up
// where they are.
TEST_F(LogView, FollowsNewRowsUnlessScrolledUp) {
    HWND list = GetDlgItem(viewer.window(), logview::kRowList);
    auto logMany = [this](int count) {
        for (int i = 0; i < count; ++i) LogText("row");
        viewer.Refresh();
    };
    auto top = [list] { return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); };
    logMany(300);
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_LT(perPage, 300);
    EXPECT_EQ(300 - perPage, top());
    logMany(100);
    EXPECT_EQ(400 - perPage, top());
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    logMany(100);
    EXPECT_EQ(0, top());
}

// The ladder runs on the viewer's worker thread with the viewer as the library's log window in
// its own process: every step and its outcome land in the list, up to the first that fails.
TEST(LogViewDiagnosis, EveryStepAndItsOutcomeLandInTheList) {
    if (!PeLmGetIsNetworkAvailable() || !PeLmIsInternetConnected())
        GTEST_SKIP() << "this machine has no network: the ladder stops before the service";
    const std::string base = "http://127.0.0.1:1";  // nothing listens there
    ViewerProcess viewer("/server " + base);
    ASSERT_NE(nullptr, viewer.window());
    viewer.Command(logview::kDiagnoseCommand);
    std::vector<SavedRow> rows;
    ASSERT_TRUE(testing_support::WaitUntil([&] {
        rows = viewer.ShownRows();
        return !rows.empty() && rows.back().text.rfind(u8"接続診断の結果", 0) == 0;
    }));
    Texts own;
    for (const SavedRow& row : rows) {
        if (row.source == "PelmoraLogView")
            own.push_back(std::to_string(row.kind) + "|" + std::to_string(row.indent) + "|" +
                          row.text);
    }
    EXPECT_EQ(Texts({u8"0|0|接続診断を開始",
                     u8"3|1|接続先：\t" + base + "/Pelmora/Pelmora/CheckSqlServerRunning",
                     u8"1|1|ネットワークアダプタ：\tOK", u8"1|1|インターネット接続：\tOK",
                     u8"4|1|サービスの応答：\tNG",
                     u8"4|0|接続診断の結果：\tサービスの応答に問題があります"}),
              own);
    EXPECT_GT(rows.size(), own.size()) << "the service check's own entries are there too";
}

}  // namespace
