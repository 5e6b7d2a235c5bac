// The server state, endpoint, login store and start/end exports, called as a host calls them.
#include <gtest/gtest.h>

#include "StateFiles.h"
#include "pelmora.h"
#include "support/DialogDriver.h"
#include "support/HostLogFile.h"

using testing_support::DataFile;
using testing_support::WriteFileBytes;

namespace {

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        state_tests::RemoveStateFiles();
        DeleteFileA(DataFile("Login.dat").c_str());
    }
    void TearDown() override { SetUp(); }
};

// An unreadable time leaves the buffer untouched; a release logs only a file that was there.
TEST_F(Exports, StateMovesTimesAndReleases) {
    std::string tampered = storage::SealTime(1706659507);
    tampered[3] ^= 0x20;
    ASSERT_TRUE(WriteFileBytes(DataFile("sub.dat"), tampered));
    char text[32] = "untouched";
    EXPECT_FALSE(PeLmServerDeadTimeGet(text, sizeof text) ||
                 PeLmServerSubTimeGet(text, sizeof text));
    EXPECT_STREQ("untouched", text);
    EXPECT_TRUE(PeLmIsServerSub() && !PeLmIsServerDead());
    testing_support::HostLogFile log(PeLmLogFileSet);
    ASSERT_TRUE(WriteFileBytes(DataFile("dead.dat"), storage::SealTime(1588334400)));
    const std::string before = testing_support::LocalNowLogTime();
    PeLmServerToDead();
    const std::string after = testing_support::LocalNowLogTime();
    EXPECT_TRUE(PeLmIsServerDead());
    ASSERT_TRUE(PeLmServerDeadTimeGet(text, sizeof text));
    EXPECT_TRUE(text == before || text == after) << text;
    for (int round = 0; round < 2; ++round) {  // the second finds nothing to delete
        PeLmServerDeadRelease();
        PeLmSubServerRelease();
    }
    EXPECT_FALSE(PeLmIsServerDead() || PeLmIsServerSub());
    const std::vector<std::string> expected = {
        "1|1|" + state_tests::StateFilePath("dead.dat") + "の削除",
        "1|1|" + state_tests::StateFilePath("sub.dat") + "の削除"};
    EXPECT_EQ(expected, log.Entries());
}

int g_windowsCreated = 0;
LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code != HCBT_CREATEWND) return CallNextHookEx(nullptr, code, wParam, lParam);
    ++g_windowsCreated;
    return 1;
}

// Shown on every switch, owned by the caller's active window; a switch that did not take place
// (read-only state file) shows none: the hook counts one.
TEST_F(Exports, SwitchToSubShowsTheMessageOnlyWhenItTookPlace) {
    ASSERT_TRUE(WriteFileBytes(DataFile("sub.dat"), "former"));
    SetFileAttributesA(DataFile("sub.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    PeLmServerToSub();
    UnhookWindowsHookEx(hook);
    SetFileAttributesA(DataFile("sub.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(0, g_windowsCreated);
    EXPECT_EQ("former", testing_support::ReadFileBytes(DataFile("sub.dat")));
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                100, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(host);
    for (int time = 1; time <= 2; ++time) {
        testing_support::MessageBoxSeen box;
        testing_support::RunDriven(
            [] { return PeLmServerToSub(), INT_PTR{0}; },
            [&](testing_support::DialogDriver& driver) { box = driver.CloseMessageBox(); });
        EXPECT_EQ(
            L"ペルモラのメインサーバーがダウンした為、一時的にサブサーバーに切り替えて稼動"
            L"しています。\n翌日にはメインサーバーの通常稼動に戻る見込みです。",
            box.text)
            << time;
        EXPECT_EQ(testing_support::kBoxCaption, box.caption);
        EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), box.icon);
        EXPECT_EQ(host, box.owner);
        EXPECT_TRUE(PeLmIsServerSub());
    }
    DestroyWindow(host);
}

struct UrlEntry {
    BOOL(WINAPI* set)(const char*);
    BOOL(WINAPI* get)(char*, UINT);
    std::string defaultUrl;
};
const std::string kMain = "https://main.pelmora.torva.co.jp/",
                  kSub = "https://sub.pelmora.torva.co.jp/";
const UrlEntry kEntries[] = {
    {PeLmConnectUrlSet, PeLmConnectUrlGet, kMain},
    {PeLmTestUrlSet, PeLmTestUrlGet, kMain + "Pelmora/Pelmora/CheckSqlServerRunning"},
    {PeLmLoginUrlSet, PeLmLoginUrlGet, kMain + "Pelmora/Pelmora/Login"},
    {PeLmConnectSubUrlSet, PeLmConnectSubUrlGet, kSub},
    {PeLmTestSubUrlSet, PeLmTestSubUrlGet, kSub + "Pelmora/Pelmora/CheckSqlServerRunning"},
    {PeLmLoginSubUrlSet, PeLmLoginSubUrlGet, kSub + "Pelmora/Pelmora/Login"},
};

std::string Get(const UrlEntry& entry) {
    char buffer[512];
    return entry.get(buffer, sizeof buffer) ? buffer : "<FALSE>";
}

// Initialising overwrites what a host set before it, and restores the defaults again later.
TEST(Endpoints, DefaultsAfterInitialiseAndWhatTheHostSetsInBetween) {
    for (const UrlEntry& entry : kEntries) EXPECT_EQ("", Get(entry));
    PeLmTestUrlSet("https://set.before/init");
    EXPECT_EQ(1, PeHmInitialize(0, 0, 0, 0));
    for (const UrlEntry& entry : kEntries) {
        EXPECT_EQ(entry.defaultUrl, Get(entry));
        EXPECT_TRUE(entry.set("http://127.0.0.1:8080/any thing?x=1"));
        EXPECT_EQ("http://127.0.0.1:8080/any thing?x=1", Get(entry));
        EXPECT_TRUE(entry.set(nullptr));
        EXPECT_EQ("", Get(entry));
    }
    PeHmInitialize(1, 2, 3, 4);
    for (const UrlEntry& entry : kEntries) EXPECT_EQ(entry.defaultUrl, Get(entry));
    EXPECT_TRUE(PeHmTerminate(0, 0) && PeHmTerminate(-1, 7));
}

// Reading the file is the boundary test's and the hammer's; here no file, and its removal.
TEST_F(Exports, LoginQueriesWithoutAFileAndRemovingIt) {
    char id[64] = "x";
    EXPECT_FALSE(PeLmHasLogin() || PeLmLoginID(id, sizeof id));
    EXPECT_STREQ("", id);
    ASSERT_TRUE(WriteFileBytes(DataFile("Login.dat"), "\x89\xef\x8e\xd0ID=C42\r\n"));
    EXPECT_TRUE(PeLmHasLogin() && PeLmLoginRemove());
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginRemove());
}

}  // namespace
