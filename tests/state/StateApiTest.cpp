// The server state, endpoint, login store and start/end exports, called as a host calls them.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "pelmora.h"
#include "cipher/Crypt.h"
#include "cipher/TimeSeal.h"
#include "support/DialogDriver.h"
#include "support/HostLogFile.h"
#include "win32/Exception.h"

using testing_support::DataFile;
using testing_support::WriteFileBytes;

namespace {

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* file : {"dead.dat", "sub.dat", "Login.dat"})
            DeleteFileA(DataFile(file).c_str());
    }
    void TearDown() override { SetUp(); }
};

std::string Sealed(const std::string& timeText) {
    std::string cipher;
    storage::CCrypt().Generate(cipher, timeText + " " + storage::CCrypt().MD5(timeText), true);
    return cipher;
}

// Either file: the moment it holds, or FALSE with the buffer untouched, the failure logged and
// the file kept. Runs of separators and no seconds are fine; around the hour daylight saving
// skips, 01:50 EST and fifteen real minutes later 03:05 EDT read back as they were sealed.
TEST_F(Exports, StateTimesReadOnlyFromWhatPassesItsChecksAndStatesMoveAndRelease) {
    struct EasternTime {  // the process's zone for this test only
        EasternTime() { _putenv("TZ=EST5EDT"), _tzset(); }
        ~EasternTime() { _putenv("TZ="), _tzset(); }
    } eastern;
    const std::string sealed = storage::SealTime(1706659507);
    std::string flipped = sealed;
    flipped[51] ^= 0x01;
    const std::string bad = "4|1|保存されている情報が正しくありません";
    const std::string forged = "4|1|dead.datが改ざんされた可能性あり";  // for both files
    const std::string outOfRange =
        "4|1|例外により処理を中断しました：" + win32::HResultError(E_FAIL).Report().logText;
    std::vector<std::array<std::string, 3>> cases = {
        // content, time read, first entry
        {"", "FALSE", bad},
        {"2024/01/31/09/05/07 plain text", "FALSE", bad},
        {sealed.substr(0, 40), "FALSE", forged},
        {sealed + "trailing", "FALSE", forged},
        {flipped, "FALSE", forged},
        {Sealed("2024/01/31/23/59/30"), "2024/01/31 23:59:30", ""},
        {Sealed("2024//12/31/23/59"), "2024/12/31 23:59:00", ""},
        {storage::SealTime(1710053400), "2024/03/10 01:50:00", ""},
        {storage::SealTime(1710054300), "2024/03/10 03:05:00", ""},
    };
    for (const char* time :
         {"2024/13/01/00/00/00", "2024/01/31/24/00/00", "2024/01/01/00/60/00",
          "2024/01/01/00/00/60", "1899/12/31/00/00/00", "2024/01", "2024/01/31/00/00/99999999999"})
        cases.push_back({Sealed(time), "FALSE", outOfRange});
    const std::pair<const char*, BOOL(WINAPI*)(char*, UINT)> files[] = {
        {"dead.dat", PeLmServerDeadTimeGet}, {"sub.dat", PeLmServerSubTimeGet}};
    for (const auto& [content, time, entry] : cases) {
        for (const auto& [file, get] : files) {
            SCOPED_TRACE(std::string(file) + " " + content);
            ASSERT_TRUE(WriteFileBytes(DataFile(file), content));
            testing_support::HostLogFile log(PeLmLogFileSet);
            char text[32] = "FALSE";
            EXPECT_EQ(time != "FALSE", get(text, sizeof text) != 0);
            EXPECT_EQ(time, text);
            EXPECT_EQ(entry, log.Entries().empty() ? "" : log.Entries().front());
            EXPECT_EQ(content, testing_support::ReadFileBytes(DataFile(file)));
        }
    }
    // A stamp holds the moment; a release logs only a file that was there.
    DeleteFileA(DataFile("dead.dat").c_str());
    char text[32] = "untouched";
    EXPECT_FALSE(PeLmServerDeadTimeGet(text, sizeof text));
    EXPECT_STREQ("untouched", text);
    EXPECT_TRUE(PeLmIsServerSub() && !PeLmIsServerDead());
    testing_support::HostLogFile log(PeLmLogFileSet);
    ASSERT_TRUE(WriteFileBytes(DataFile("dead.dat"), storage::SealTime(1588334400)));
    const std::string before = win32::LocalTimeText(win32::Now());
    PeLmServerToDead();
    const std::string after = win32::LocalTimeText(win32::Now());
    EXPECT_TRUE(PeLmIsServerDead());
    ASSERT_TRUE(PeLmServerDeadTimeGet(text, sizeof text));
    EXPECT_TRUE(text == before || text == after) << text;
    for (int round = 0; round < 2; ++round) {  // the second finds nothing to delete
        PeLmServerDeadRelease();
        PeLmSubServerRelease();
    }
    EXPECT_FALSE(PeLmIsServerDead() || PeLmIsServerSub());
    const std::string directory = testing_support::DataDirectory();
    EXPECT_EQ((std::vector<std::string>{"1|1|" + directory + "//dead.datの削除",
                                        "1|1|" + directory + "//sub.datの削除"}),
              log.Entries());
}

int g_windowsCreated = 0;
LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    g_windowsCreated += code == HCBT_CREATEWND;
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
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
        EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), box.icon);
        EXPECT_EQ(host, box.owner);
        EXPECT_TRUE(PeLmIsServerSub());
    }
    DestroyWindow(host);
}

// Initialising overwrites what a host set before it, and restores the defaults again later.
TEST(Endpoints, DefaultsAfterInitialiseAndWhatTheHostSetsInBetween) {
    const std::string main = "https://main.pelmora.torva.co.jp/",
                      sub = "https://sub.pelmora.torva.co.jp/",
                      test = "Pelmora/Pelmora/CheckSqlServerRunning",
                      login = "Pelmora/Pelmora/Login";
    const std::tuple<BOOL(WINAPI*)(const char*), BOOL(WINAPI*)(char*, UINT), std::string> urls[] = {
        {PeLmConnectUrlSet, PeLmConnectUrlGet, main},
        {PeLmTestUrlSet, PeLmTestUrlGet, main + test},
        {PeLmLoginUrlSet, PeLmLoginUrlGet, main + login},
        {PeLmConnectSubUrlSet, PeLmConnectSubUrlGet, sub},
        {PeLmTestSubUrlSet, PeLmTestSubUrlGet, sub + test},
        {PeLmLoginSubUrlSet, PeLmLoginSubUrlGet, sub + login}};
    auto read = [](BOOL(WINAPI * get)(char*, UINT)) {
        char buffer[512];
        return get(buffer, sizeof buffer) ? std::string(buffer) : "<FALSE>";
    };
    for (const auto& [set, get, initial] : urls) EXPECT_EQ("", read(get));
    PeLmTestUrlSet("https://set.before/init");
    EXPECT_EQ(1, PeHmInitialize(0, 0, 0, 0));
    for (const auto& [set, get, initial] : urls) {
        EXPECT_EQ(initial, read(get));
        EXPECT_TRUE(set(nullptr) && read(get).empty());
    }
    PeHmInitialize(1, 2, 3, 4);
    for (const auto& [set, get, initial] : urls) EXPECT_EQ(initial, read(get));
    EXPECT_TRUE(PeHmTerminate(0, 0) && PeHmTerminate(-1, 7));
}

}  // namespace
