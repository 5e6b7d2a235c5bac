// "Login.dat", the call scope that loads it, and the server state files, on real files.
#include <gtest/gtest.h>
#include <winsock2.h>

#include "StateFiles.h"
#include "log/LogWriter.h"
#include "login/CallScope.h"
#include "login/LoginManager.h"
#include "storage/ExclusiveFile.h"
#include "storage/ServerState.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"

using login::CLoginManager;
using storage::CServerState;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

const char kChildStarted[] = "pelmora-test-files-child-started";

std::string Current() {
    const auto info = CLoginManager::GetLoginInfo();
    return info ? win32::Format("%s|%s|%s|%d", info->companyId.c_str(), info->password.c_str(),
                                info->userName.c_str(), info->saveFlag)
                : "none";
}

bool SocketLayerStarted() {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return s != INVALID_SOCKET && closesocket(s) == 0;
}

// Says it runs, then saves and reads back "Login.dat" and "dead.dat" in turns: the failed calls.
int Churn() {
    SetEvent(win32::KernelHandle(OpenEventA(EVENT_MODIFY_STATE, FALSE, kChildStarted)).get());
    CLoginManager::SetLoginInfo(
        std::make_shared<login::LOGIN_INFO>(login::LOGIN_INFO{"C1", "pw", "user", true}));
    int failures = 0;
    for (int round = 0; round < 150; ++round) {
        win32::Seconds time = 0;
        failures += !CLoginManager::Save() + !CLoginManager::Load() +
                    !storage::ReplaceFileExclusive(CServerState::GetDeadFilePath(),
                                                   storage::EncryptCurrentTime()) +
                    !CServerState::GetDeadTime(time);
    }
    return failures;
}

const int kRoleDispatched = testing_support::DispatchChildRole({{"churn", Churn}});

class StoredFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& file : {login, dead}) DeleteFileA(file.c_str());
        CLoginManager::ClearLoginInfo();
    }
    void TearDown() override { SetUp(); }

    const std::string login = win32::ToNarrow(CLoginManager::GetFilePath());
    const std::string dead = win32::ToNarrow(CServerState::GetDeadFilePath());
};

// Unknown and missing lines, LF ends, a key twice (the last wins), a flag "true" only exactly.
TEST_F(StoredFiles, CallScopeLoadsTheLoginFromAnyContentAndReleasesWhatItTook) {
    const std::pair<std::string, std::string> cases[] = {
        {"junk\n会社ID=C9\nﾊﾟｽﾜｰﾄﾞ=first\nﾊﾟｽﾜｰﾄﾞ=second\n", "C9|second||0"},
        {"", "|||0"},
        {"会社ID=a\r\nﾊﾟｽﾜｰﾄﾞ=b\r\n使用者名=c\r\n保存=TRUE\r\n", "a|b|c|0"},
        {"会社ID=a\r\nﾊﾟｽﾜｰﾄﾞ=b\r\n使用者名=c\r\n保存=true \r\n", "a|b|c|0"},
    };
    for (const auto& [file, loaded] : cases) {
        ASSERT_TRUE(WriteFileBytes(login, file));
        {
            login::CApiCallScope scope;
            EXPECT_TRUE(SocketLayerStarted());
            EXPECT_EQ(loaded, Current()) << file;
        }
        EXPECT_FALSE(SocketLayerStarted());
        EXPECT_EQ("none", Current());
    }
}

// A trail byte 0x5C (ソ) and equals signs come back whole. A crash between a save's write and its
// rename left a password beside the file: a save or a removal takes it; a save under way in a
// running process is left alone. A removal that leaves the file (held open elsewhere) says so.
TEST_F(StoredFiles, LoginFileRoundTripsAndRemoveTakesTheFileAndAbandonedCopies) {
    const std::string id = "id=1==", password = "p=a\x83\x5cs", user = "使用=x";
    const std::string abandoned = login + ".4294967291.1.tmp";
    const std::string underWay = login + win32::Format(".%lu.1.tmp", GetCurrentProcessId());
    ASSERT_TRUE(WriteFileBytes(abandoned, password) && WriteFileBytes(underWay, password));
    EXPECT_FALSE(CLoginManager::Save());
    CLoginManager::SetLoginInfo(
        std::make_shared<login::LOGIN_INFO>(login::LOGIN_INFO{id, password, user, true}));
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_FALSE(testing_support::FileExists(abandoned));
    EXPECT_TRUE(DeleteFileA(underWay.c_str()));
    CLoginManager::ClearLoginInfo();
    ASSERT_TRUE(CLoginManager::Load());
    const std::string loaded = id + "|" + password + "|" + user + "|1";
    EXPECT_EQ(loaded, Current());
    ASSERT_TRUE(WriteFileBytes(abandoned, password) && WriteFileBytes(underWay, password));
    {
        const win32::FileHandle held = state_tests::HoldOpen(win32::WidePath(login));
        EXPECT_FALSE(CLoginManager::Remove()) << "held open elsewhere";
    }
    EXPECT_FALSE(testing_support::FileExists(abandoned));
    EXPECT_TRUE(CLoginManager::Remove());
    EXPECT_FALSE(testing_support::FileExists(login));
    EXPECT_TRUE(DeleteFileA(underWay.c_str()));
    EXPECT_EQ(loaded, Current());
}

// Each host opens the files without sharing: a moment's open elsewhere is no "no file" and no
// lost save; held for longer than the store waits, an open failure, logged, the file kept.
TEST_F(StoredFiles, FileHeldElsewhereIsWaitedForWithinABound) {
    win32::KernelHandle started(CreateEventA(nullptr, TRUE, FALSE, kChildStarted));
    win32::KernelHandle child(testing_support::StartChild("churn"));
    ASSERT_TRUE(child.valid());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(started.get(), 60000));
    EXPECT_EQ(0, Churn()) << "this host";
    EXPECT_EQ(0u, win32::AwaitExitCode(child.get())) << "the other host";
    ASSERT_TRUE(WriteFileBytes(dead, "former"));
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        const win32::FileHandle held = state_tests::HoldOpen(win32::ToWide(dead));
        ASSERT_TRUE(held);
        win32::Seconds t = 0;
        EXPECT_FALSE(CServerState::GetDeadTime(t) || CServerState::ToDead());
    }
    EXPECT_EQ(std::vector<std::string>(2, "4|1|" + dead + "のオープンに失敗"), log.Entries());
    EXPECT_EQ("former", ReadFileBytes(dead));
    EXPECT_EQ(0, state_tests::StrayFiles());
}

}  // namespace
