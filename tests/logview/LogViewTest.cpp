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

using logview_tests::SavedRow;
using logview_tests::ViewerProcess;

struct Entry {
    std::string message;  // as the host passes it (Shift_JIS)
    const char* function;
    const char* source;
    int line;
    int kind;
    int indent;
};

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// Japanese texts (with "ソ" and "表", whose second Shift_JIS byte is a backslash), a tab and a
// line feed inside messages, every kind, indents, the 255-byte limit and a message past it.
std::vector<Entry> KnownSequence() {
    return {
        {"Init開始", "CPelmoraInterface::Init", "PelmoraInterface", 10, 0, 0},
        {"サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 20, 0, 1},
        {"接続先：\thttp://127.0.0.1/Login", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil",
         30, 3, 2},
        {"ステータスコード：\t200", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil", 31, 2, 3},
        {"ソフト表示", "CLoginDialog::OnOK", "LoginDialog", 40, 1, 1},
        {"一行目\n二行目", "CLoginDialog::OnOK", "LoginDialog", 41, 1, 1},
        {"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 50, 4, 1},
        {Repeat("あ", 85) + Repeat("a", 85), "Limit", "Test", 60, 2, 0},
        {Repeat("x", 300), "Limit", "Test", 61, 2, 0},
        {"", "CCallScope::~CCallScope", "CallScope", 70, 99, 0},
    };
}

// The known sequence as saved rows show it ("kind|indent|message|function|source|line", UTF-8):
// a line feed reads as a space, and a message is cut to 255 bytes.
std::vector<std::string> KnownSequenceSaved() {
    return {
        u8"0|0|Init開始|CPelmoraInterface::Init|PelmoraInterface|10",
        u8"0|1|サーバーが生きているか確認|CPelmoraInterface::Test|PelmoraInterface|20",
        u8"3|2|接続先：\thttp://127.0.0.1/Login|CHttpRequestUtil::BeginRequest|HttpRequestUtil|30",
        u8"2|3|ステータスコード：\t200|CHttpRequestUtil::BeginRequest|HttpRequestUtil|31",
        u8"1|1|ソフト表示|CLoginDialog::OnOK|LoginDialog|40",
        u8"1|1|一行目 二行目|CLoginDialog::OnOK|LoginDialog|41",
        u8"4|1|ログインに失敗しました|CLoginRequest::Send|LoginRequest|50",
        "2|0|" + Repeat(u8"あ", 85) + Repeat("a", 85) + "|Limit|Test|60",
        "2|0|" + Repeat("x", 255) + "|Limit|Test|61",
        "99|0||CCallScope::~CCallScope|CallScope|70"};
}

void LogAll(const std::vector<Entry>& entries) {
    for (const Entry& entry : entries)
        PelmLog(entry.message.c_str(), entry.function, entry.source, entry.line, __DATE__, __TIME__,
                entry.kind, entry.indent, entry.kind == 4 ? 1 : 0);
}

std::vector<std::string> Messages(const std::vector<SavedRow>& rows) {
    std::vector<std::string> messages;
    for (const SavedRow& row : rows) messages.push_back(row.message);
    return messages;
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

TEST_F(LogView, SavesExactlyTheLoggedSequenceInOrder) {
    LogAll(KnownSequence());
    std::vector<SavedRow> rows = viewer.ShownRows();
    std::vector<std::string> shown;
    for (const SavedRow& row : rows) {
        EXPECT_TRUE(row.wellFormed) << logview_tests::Describe(row);
        shown.push_back(logview_tests::Describe(row));
    }
    EXPECT_EQ(KnownSequenceSaved(), shown);
}

TEST_F(LogView, AnOpenedLogFileShowsTheRowsOfTheLiveView) {
    testing_support::HostLogFile file([](HANDLE handle) { PeLmLogFileSet(handle); });
    LogAll(KnownSequence());
    std::vector<SavedRow> live = viewer.ShownRows();

    ViewerProcess opened("\"" + file.path() + "\"");
    std::vector<SavedRow> fromFile = opened.ShownRows();
    ASSERT_EQ(live.size(), fromFile.size());
    for (size_t i = 0; i < live.size(); ++i) {
        // The file's line takes its own time stamp and knows no function, source or line.
        SavedRow expected = live[i];
        expected.function = expected.source = expected.line = "";
        EXPECT_EQ(logview_tests::Describe(expected), logview_tests::Describe(fromFile[i]));
        EXPECT_TRUE(fromFile[i].wellFormed);
    }
}

struct FilterCase {
    const wchar_t* text;
    int kind;  // a value of the kind list, -1 for all
    std::vector<std::string> shown;
};

int KindChoice(int kind) {
    int choice = 0;
    while (logview::kKindChoices[choice] != kind) ++choice;
    return choice;
}

TEST_F(LogView, FiltersByTextAndKind) {
    LogAll({{"サーバーが生きているか確認", "CPelmoraInterface::Test", "PelmoraInterface", 1, 0, 0},
            {"Login要求", "CLoginRequest::Send", "LoginRequest", 2, 3, 1},
            {"ログインに失敗しました", "CLoginRequest::Send", "LoginRequest", 3, 4, 1},
            {"ソフト表示", "CServerState::ToSub", "ServerState", 4, 1, 1},
            {"C:\\temp\\pmqclient.exe", "CHttpRequestUtil::Run", "HttpRequestUtil", 5, 2, 2},
            {"", "CCallScope::~CCallScope", "CallScope", 6, 99, 0}});
    const std::vector<FilterCase> cases = {
        {L"",
         -1,
         {u8"サーバーが生きているか確認", u8"Login要求", u8"ログインに失敗しました", u8"ソフト表示",
          "C:\\temp\\pmqclient.exe", ""}},
        {L"サーバー", -1, {u8"サーバーが生きているか確認"}},
        // Latin letters in either case, in the message or the function name.
        {L"lOGIN", -1, {u8"Login要求", u8"ログインに失敗しました"}},
        {L"LOGIN", 4, {u8"ログインに失敗しました"}},
        {L"serverstate", -1, {u8"ソフト表示"}},
        // A backslash is the second byte of "ソ" and "表" in Shift_JIS: only the path has one.
        {L"\\", -1, {"C:\\temp\\pmqclient.exe"}},
        {L"", 99, {""}},
        {L"ｌｏｇｉｎ", -1, {}},
    };
    for (const FilterCase& filter : cases) {
        viewer.SetFilter(filter.text, KindChoice(filter.kind));
        EXPECT_EQ(filter.shown, Messages(viewer.ShownRows())) << filter.kind;
    }
}

TEST_F(LogView, PauseHoldsTheRowsWhileRecordsStillArriveAndClearEmptiesThem) {
    LogAll({{"before", "F", "S", 1, 1, 0}});
    viewer.Refresh();
    viewer.Command(logview::kPauseCommand);
    LogAll({{"during", "F", "S", 2, 1, 0}});
    EXPECT_EQ(std::vector<std::string>({"before"}), Messages(viewer.ShownRows()));
    viewer.Command(logview::kPauseCommand);
    EXPECT_EQ(std::vector<std::string>({"before", "during"}), Messages(viewer.ShownRows()));
    viewer.Command(logview::kClearCommand);
    LogAll({{"after", "F", "S", 3, 1, 0}});
    EXPECT_EQ(std::vector<std::string>({"after"}), Messages(viewer.ShownRows()));
}

TEST_F(LogView, CopiesTheSelectedRowsAsSaved) {
    LogAll(KnownSequence());
    std::string saved = viewer.SavedText();
    viewer.Command(logview::kSelectAllCommand);
    viewer.Command(logview::kCopyCommand);
    ASSERT_TRUE(OpenClipboard(nullptr));
    std::wstring copied;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    std::wstring expected = win32::ToWide(saved, CP_UTF8);
    for (size_t at = 0; (at = expected.find(L'\n', at)) != std::wstring::npos; at += 2)
        expected.insert(at, 1, L'\r');  // the clipboard's line ends
    EXPECT_EQ(expected, copied);
}

// New rows scroll into view while the last row is in view, and leave a user who scrolled up
// where they are.
TEST_F(LogView, FollowsNewRowsUnlessScrolledUp) {
    HWND list = GetDlgItem(viewer.window(), logview::kRowList);
    auto logMany = [](int count) {
        for (int i = 0; i < count; ++i) PelmLog("row", "F", "S", i, __DATE__, __TIME__, 1, 0, 0);
    };
    logMany(300);
    viewer.Refresh();
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_LT(perPage, 300);
    EXPECT_EQ(300 - perPage, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));
    logMany(100);
    viewer.Refresh();
    EXPECT_EQ(400 - perPage, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));

    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    logMany(100);
    viewer.Refresh();
    EXPECT_EQ(0, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));
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
        return !rows.empty() && rows.back().message.rfind(u8"接続診断の結果", 0) == 0;
    }));
    std::vector<std::string> own;
    bool libraryRows = false;
    for (const SavedRow& row : rows) {
        if (row.source == "PelmoraLogView") {
            own.push_back(std::to_string(row.kind) + "|" + std::to_string(row.indent) + "|" +
                          row.message);
        } else {
            libraryRows = true;  // the service check's own entries
        }
    }
    EXPECT_EQ(std::vector<std::string>(
                  {u8"0|0|接続診断を開始",
                   u8"3|1|接続先：\t" + base + "/Pelmora/Pelmora/CheckSqlServerRunning",
                   u8"1|1|ネットワークアダプタ：\tOK", u8"1|1|インターネット接続：\tOK",
                   u8"4|1|サービスの応答：\tNG",
                   u8"4|0|接続診断の結果：\tサービスの応答に問題があります"}),
              own);
    EXPECT_TRUE(libraryRows);
}

}  // namespace
