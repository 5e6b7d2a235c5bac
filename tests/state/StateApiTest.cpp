// The exports of the server state, endpoints, login store and start/end families,
// called through the DLL as a host calls them.
#include <gtest/gtest.h>

#include <vector>

#include "pelmora.h"
#include "storage/TimeSeal.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"

using testing_support::DataFile;
using testing_support::GuardedBuffer;

namespace {

void CleanDataFiles() {
    for (const char* name : {"dead.dat", "sub.dat", "Login.dat", "ProxyUser.dat"})
        DeleteFileA(DataFile(name).c_str());
    PeLmLoginUserDelete();
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override { CleanDataFiles(); }
    void TearDown() override { CleanDataFiles(); }
};

// --- Server state ------------------------------------------------------------------------------

TEST_F(Exports, StateMovesAndTimesAreReadBack) {
    EXPECT_FALSE(PeLmIsServerDead());
    EXPECT_FALSE(PeLmIsServerSub());
    GuardedBuffer buffer(32);
    EXPECT_FALSE(PeLmServerDeadTimeGet(buffer.data(), 32));
    EXPECT_FALSE(PeLmServerSubTimeGet(buffer.data(), 32));
    EXPECT_EQ('\x5A', buffer.data()[0]) << "untouched when there is no time";

    char before[32], after[32];
    time_t t0 = time(nullptr);
    PeLmServerToDead();
    time_t t1 = time(nullptr);
    strftime(before, sizeof before, "%Y/%m/%d %H:%M:%S", localtime(&t0));
    strftime(after, sizeof after, "%Y/%m/%d %H:%M:%S", localtime(&t1));
    EXPECT_TRUE(PeLmIsServerDead());
    ASSERT_TRUE(PeLmServerDeadTimeGet(buffer.data(), 20));  // exactly the 19 characters and NUL
    EXPECT_TRUE(buffer.Text() == before || buffer.Text() == after) << buffer.Text();
    EXPECT_TRUE(buffer.GuardsIntact());

    PeLmServerDeadRelease();
    EXPECT_FALSE(PeLmIsServerDead());
    PeLmSubServerRelease();  // absent: nothing happens
    EXPECT_FALSE(PeLmIsServerSub());
}

TEST_F(Exports, TamperedTimeAnswersFalseWithoutEscaping) {
    std::string bytes = storage::SealTime(1706659507);
    bytes[3] ^= 0x20;
    testing_support::WriteFileBytes(DataFile("sub.dat"), bytes);
    GuardedBuffer buffer(32);
    EXPECT_FALSE(PeLmServerSubTimeGet(buffer.data(), 32));
    EXPECT_EQ('\x5A', buffer.data()[0]);
    EXPECT_TRUE(PeLmIsServerSub());
    testing_support::WriteFileBytes(DataFile("dead.dat"), "");
    EXPECT_FALSE(PeLmServerDeadTimeGet(buffer.data(), 32));
}

TEST_F(Exports, SwitchToSubShowsTheMessageEveryTime) {
    // The expected text in UTF-16, from this file's own UTF-8; the library holds Shift_JIS bytes.
    const std::wstring expected =
        L"ペルモラのメインサーバーがダウンした為、一時的にサブサーバーに切り替えて稼動しています。"
        L"\n"
        L"翌日にはメインサーバーの通常稼動に戻る見込みです。";
    // The second switch finds the sub state already in place: shown again, file restamped.
    for (int time = 1; time <= 2; ++time) {
        testing_support::MessageBoxSeen box;
        testing_support::RunDriven(
            [] { return PeLmServerToSub(), INT_PTR{0}; },
            [&](testing_support::DialogDriver& driver) { box = driver.CloseMessageBox(); });
        EXPECT_EQ(expected, box.text) << time;
        EXPECT_EQ(testing_support::kBoxCaption, box.caption);
        EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), box.icon);
        EXPECT_TRUE(PeLmIsServerSub());
        EXPECT_EQ(52u, testing_support::ReadFileBytes(DataFile("sub.dat")).size());
    }
}

// --- Endpoints ---------------------------------------------------------------------------------

struct UrlEntry {
    BOOL(WINAPI* set)(const char*);
    BOOL(WINAPI* get)(char*, UINT);
    const char* path;
    bool sub;
};
const UrlEntry kEntries[] = {
    {PeLmConnectUrlSet, PeLmConnectUrlGet, "/", false},
    {PeLmTestUrlSet, PeLmTestUrlGet, "/Pelmora/Pelmora/CheckSqlServerRunning", false},
    {PeLmLoginUrlSet, PeLmLoginUrlGet, "/Pelmora/Pelmora/Login", false},
    {PeLmConnectSubUrlSet, PeLmConnectSubUrlGet, "/", true},
    {PeLmTestSubUrlSet, PeLmTestSubUrlGet, "/Pelmora/Pelmora/CheckSqlServerRunning", true},
    {PeLmLoginSubUrlSet, PeLmLoginSubUrlGet, "/Pelmora/Pelmora/Login", true},
};

std::string Get(const UrlEntry& entry) {
    char buffer[512];
    return entry.get(buffer, sizeof buffer) ? buffer : "<FALSE>";
}

// Empty before the first initialisation; then six https defaults, main and sub on different
// hosts. Setters keep their own copy, null empties, and initialising again restores defaults.
TEST(Endpoints, DefaultsAfterInitialiseAndSettersStoreCopies) {
    for (const UrlEntry& entry : kEntries) EXPECT_EQ("", Get(entry));
    PeLmTestUrlSet("https://set.before/init");
    EXPECT_EQ(1, PeHmInitialize(0, 0, 0, 0));
    std::string mainHost, subHost;
    std::vector<std::string> defaults;
    for (const UrlEntry& entry : kEntries) {
        const std::string url = Get(entry);
        defaults.push_back(url);
        ASSERT_EQ(0u, url.rfind("https://", 0)) << url;
        const size_t hostEnd = url.find('/', 8);
        EXPECT_EQ(entry.path, url.substr(hostEnd));
        (entry.sub ? subHost : mainHost) = url.substr(8, hostEnd - 8);
    }
    EXPECT_FALSE(mainHost.empty());
    EXPECT_NE(mainHost, subHost);

    for (const UrlEntry& entry : kEntries) {
        std::string url = "http://127.0.0.1:8080/any thing?x=1";
        EXPECT_TRUE(entry.set(url.c_str()));
        url[0] = 'X';  // the table holds its own copy
        EXPECT_EQ("http://127.0.0.1:8080/any thing?x=1", Get(entry));
        EXPECT_TRUE(entry.set(nullptr));
        EXPECT_EQ("", Get(entry));
    }
    PeHmInitialize(1, 2, 3, 4);
    for (size_t i = 0; i < defaults.size(); ++i) EXPECT_EQ(defaults[i], Get(kEntries[i]));
    EXPECT_TRUE(PeHmTerminate(0, 0));
    EXPECT_TRUE(PeHmTerminate(-1, 7));
}

// --- Stored login ----------------------------------------------------------------

TEST_F(Exports, LoginQueriesAnswerFromTheFile) {
    GuardedBuffer id(64);
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_FALSE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("", id.Text());

    testing_support::WriteFileBytes(DataFile("Login.dat"),
                                    "\x89\xef\x8e\xd0"
                                    "ID=C42\r\n\xca\xdf\xbd\xdc\xb0\xc4\xde=pw!\r\n");
    EXPECT_TRUE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("C42", id.Text());
    GuardedBuffer password(64);
    EXPECT_TRUE(PeLmLoginPassword(password.data(), 64));
    EXPECT_EQ("pw!", password.Text());

    PeLmLoginUserDelete();  // drops only the record in memory
    EXPECT_TRUE(PeLmHasLogin());

    EXPECT_TRUE(PeLmLoginRemove());
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginRemove());

    // An empty file is a stored login whose fields are empty.
    testing_support::WriteFileBytes(DataFile("Login.dat"), "");
    EXPECT_TRUE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("", id.Text());
    EXPECT_TRUE(PeLmLoginPassword(password.data(), 64));
    EXPECT_EQ("", password.Text());
}

}  // namespace
