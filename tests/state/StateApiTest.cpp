// The exports of the server state, endpoints, login store and start/end families, called
// through the DLL as a host calls them.
#include <gtest/gtest.h>

#include "pelmora.h"
#include "storage/ServerState.h"
#include "storage/TimeSeal.h"
#include "support/DialogDriver.h"
#include "support/HostLogFile.h"

using storage::CServerState;
using testing_support::DataFile;
using testing_support::GuardedBuffer;
using testing_support::WriteFileBytes;

namespace {

void CleanDataFiles() {
    for (const char* name : {"dead.dat", "sub.dat", "Login.dat"})
        DeleteFileA(DataFile(name).c_str());
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override { CleanDataFiles(); }
    void TearDown() override { CleanDataFiles(); }
};

std::string LocalTimeText(time_t t) {
    char text[32];
    strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", localtime(&t));
    return text;
}

// A stamp holds the sealed moment of writing, read back as local "YYYY/MM/DD hh:mm:ss" in
// exactly 20 bytes; a missing or tampered file answers FALSE with the buffer untouched, and a
// tampered one still counts. A release deletes and logs only a file that is there.
TEST_F(Exports, StateMovesTimesAndReleases) {
    EXPECT_FALSE(PeLmIsServerDead());
    EXPECT_FALSE(PeLmIsServerSub());
    std::string tampered = storage::SealTime(1706659507);
    tampered[3] ^= 0x20;
    ASSERT_TRUE(WriteFileBytes(DataFile("sub.dat"), tampered));
    GuardedBuffer buffer(20);
    EXPECT_FALSE(PeLmServerDeadTimeGet(buffer.data(), 20));
    EXPECT_FALSE(PeLmServerSubTimeGet(buffer.data(), 20));
    EXPECT_EQ('\x5A', buffer.data()[0]);
    EXPECT_TRUE(PeLmIsServerSub());

    testing_support::HostLogFile log(PeLmLogFileSet);
    ASSERT_TRUE(WriteFileBytes(DataFile("dead.dat"), storage::SealTime(1588334400)));
    const time_t before = time(nullptr);
    PeLmServerToDead();
    const time_t after = time(nullptr);
    EXPECT_TRUE(PeLmIsServerDead());
    const std::string stamp = testing_support::ReadFileBytes(DataFile("dead.dat"));
    EXPECT_TRUE(stamp == storage::SealTime(before) || stamp == storage::SealTime(after));
    ASSERT_TRUE(PeLmServerDeadTimeGet(buffer.data(), 20));
    EXPECT_TRUE(buffer.Text() == LocalTimeText(before) || buffer.Text() == LocalTimeText(after))
        << buffer.Text();
    EXPECT_TRUE(buffer.GuardsIntact());
    for (int round = 0; round < 2; ++round) {  // the second finds nothing to delete
        PeLmServerDeadRelease();
        PeLmSubServerRelease();
    }
    EXPECT_FALSE(PeLmIsServerDead() || PeLmIsServerSub());
    const std::vector<std::string> expected = {"1|1|" + CServerState::GetDeadFilePath() + "の削除",
                                               "1|1|" + CServerState::GetSubFilePath() + "の削除"};
    EXPECT_EQ(expected, log.Entries());
}

// The second switch finds the sub state already in place and shows the message again.
TEST_F(Exports, SwitchToSubShowsTheMessageEveryTime) {
    // UTF-16 from this file's own UTF-8; the library holds Shift_JIS bytes.
    const std::wstring expected =
        L"ペルモラのメインサーバーがダウンした為、一時的にサブサーバーに切り替えて稼動しています。"
        L"\n翌日にはメインサーバーの通常稼動に戻る見込みです。";
    for (int time = 1; time <= 2; ++time) {
        testing_support::MessageBoxSeen box;
        testing_support::RunDriven(
            [] { return PeLmServerToSub(), INT_PTR{0}; },
            [&](testing_support::DialogDriver& driver) { box = driver.CloseMessageBox(); });
        EXPECT_EQ(expected, box.text) << time;
        EXPECT_EQ(testing_support::kBoxCaption, box.caption);
        EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), box.icon);
        EXPECT_TRUE(PeLmIsServerSub());
    }
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

// Empty before the first initialisation, which overwrites what a host set before it. Setters
// keep their own copy, null empties, and initialising again restores the defaults.
TEST(Endpoints, DefaultsAfterInitialiseAndSettersStoreCopies) {
    for (const UrlEntry& entry : kEntries) EXPECT_EQ("", Get(entry));
    PeLmTestUrlSet("https://set.before/init");
    EXPECT_EQ(1, PeHmInitialize(0, 0, 0, 0));
    for (const UrlEntry& entry : kEntries) {
        EXPECT_EQ(entry.defaultUrl, Get(entry));
        std::string url = "http://127.0.0.1:8080/any thing?x=1";
        EXPECT_TRUE(entry.set(url.c_str()));
        url[0] = 'X';
        EXPECT_EQ("http://127.0.0.1:8080/any thing?x=1", Get(entry));
        EXPECT_TRUE(entry.set(nullptr));
        EXPECT_EQ("", Get(entry));
    }
    PeHmInitialize(1, 2, 3, 4);
    for (const UrlEntry& entry : kEntries) EXPECT_EQ(entry.defaultUrl, Get(entry));
    EXPECT_TRUE(PeHmTerminate(0, 0));
    EXPECT_TRUE(PeHmTerminate(-1, 7));
}

// Each query reads the file afresh and keeps no record.
TEST_F(Exports, LoginQueriesAnswerFromTheFile) {
    GuardedBuffer id(64), password(64);
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_FALSE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("", id.Text());
    ASSERT_TRUE(WriteFileBytes(DataFile("Login.dat"),
                               "\x89\xef\x8e\xd0ID=C42\r\n\xca\xdf\xbd\xdc\xb0\xc4\xde=pw!\r\n"));
    EXPECT_TRUE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("C42", id.Text());
    EXPECT_TRUE(PeLmLoginPassword(password.data(), 64));
    EXPECT_EQ("pw!", password.Text());
    PeLmLoginUserDelete();  // drops only a record in memory
    EXPECT_TRUE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginRemove());
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginRemove());
}

}  // namespace
