// The server state store on real files in the test prefix's data directory: the sealed time
// under other time zones, content that fails its checks, and files shared with another host.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "StateFiles.h"
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "login/LoginManager.h"
#include "storage/Crypt.h"
#include "storage/ExclusiveFile.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"

using login::CLoginManager;
using storage::CServerState;
using namespace state_tests;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

const char kChildStarted[] = "pelmora-test-files-child-started";

// Saves and reads back "Login.dat" and "dead.dat" in turns; the number of failed calls.
int Churn() {
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

int ChurnAsChild() {
    SetEvent(win32::KernelHandle(OpenEventA(EVENT_MODIFY_STATE, FALSE, kChildStarted)).get());
    return Churn();
}

const int kRoleDispatched = testing_support::DispatchChildRole({{"churn", ChurnAsChild}});

// A time text and the digest of `digestOf` (the text itself when well made), encrypted.
std::string Sealed(const std::string& timeText, std::string digestOf = std::string()) {
    std::string cipher;
    storage::CCrypt().Generate(
        cipher, timeText + " " + storage::CCrypt().MD5(digestOf.empty() ? timeText : digestOf),
        true);
    return cipher;
}

class ServerState : public ::testing::Test {
protected:
    void SetUp() override { RemoveStateFiles(); }
    void TearDown() override { RemoveStateFiles(); }

    const std::string dead = CServerState::GetDeadFilePath();
    const std::string sub = CServerState::GetSubFilePath();
};

// The files hold local time (the zone set for this process through TZ): a moment sealed in
// Japan, and moments around the hour that daylight saving skips (01:50 EST on 2024-03-10, then
// fifteen real minutes later 03:05 EDT), read back as the moment that was sealed.
TEST_F(ServerState, FilesHoldLocalTimeAndReadBackTheSameMomentInAnyZone) {
    struct Case {
        const char* zone;
        win32::Seconds moment;
        std::string sealed;
    };
    const Case cases[] = {
        {"TZ=JST-9", 1706713170, "2024/01/31/23/59/30"},  // 14:59:30 UTC
        {"TZ=EST5EDT", 1710053400, "2024/03/10/01/50/00"},
        {"TZ=EST5EDT", 1710054300, "2024/03/10/03/05/00"},
    };
    for (const Case& c : cases) {
        _putenv(c.zone);
        _tzset();
        EXPECT_EQ(Sealed(c.sealed), storage::SealTime(c.moment)) << c.zone;
        ASSERT_TRUE(WriteFileBytes(sub, storage::SealTime(c.moment)));
        win32::Seconds read = 0;
        ASSERT_TRUE(CServerState::GetSubTime(read));
        EXPECT_EQ(c.moment, read) << c.sealed;
    }
}

// What a read of the content ends in: the moment, or the failure it raised.
std::string ReadOutcome() {
    win32::Seconds t = 0;
    try {
        CServerState::GetDeadTime(t);
        return std::to_string(t);
    } catch (const frame::CFalsificationException&) {
        return "falsified";
    } catch (const win32::CHResultException& e) {
        return e.Result() == E_FAIL ? "E_FAIL" : "other result";
    }
}

// Edited, truncated, extended, empty or hand-made content, or a sealed time that is no moment
// (a field past its range or too large for an int, a missing day): detected on every read with
// its entry, the file kept as it is (its presence alone still counts). Runs of separators and a
// missing seconds field are accepted as the format allows.
TEST_F(ServerState, ContentThatFailsItsChecksIsDetectedLoggedAndKept) {
    const std::string sealed = storage::SealTime(LocalMoment(2024, 1, 31, 9, 5, 7));
    std::string flipped = sealed;
    flipped[51] ^= 0x01;
    const std::string malformed = "4|1|保存されている情報が正しくありません";
    const std::string forged = "4|1|dead.datが改ざんされた可能性あり";  // for both files
    struct Case {
        std::string content, outcome, entry;
    };
    const Case cases[] = {
        {"", "falsified", malformed},
        {"2024/01/31/09/05/07 plain text here", "falsified", malformed},
        {sealed.substr(0, 40), "falsified", forged},
        {sealed + "trailing", "falsified", forged},
        {flipped, "falsified", forged},
        {Sealed("2024/01/31/09/05/07", "2024/01/31/09/05/08"), "falsified", forged},
        {Sealed("2024/13/01/00/00/00"), "E_FAIL", ""},
        {Sealed("2024/01/31/24/00/00"), "E_FAIL", ""},
        {Sealed("2024/01/01/00/60/00"), "E_FAIL", ""},
        {Sealed("2024/01/01/00/00/60"), "E_FAIL", ""},
        {Sealed("1899/12/31/00/00/00"), "E_FAIL", ""},
        {Sealed("2024/01/31/00/00/99999999999"), "E_FAIL", ""},
        {Sealed("2024/01"), "E_FAIL", ""},
        {Sealed("2024//12/31/23/59"), std::to_string(LocalMoment(2024, 12, 31, 23, 59, 0)), ""},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dead, c.content));
        testing_support::HostLogFile log(logging::SetLogFile);
        EXPECT_EQ(c.outcome, ReadOutcome()) << c.content;
        EXPECT_EQ(c.entry, log.Entries().empty() ? "" : log.Entries().back()) << c.content;
        EXPECT_EQ(c.content, ReadFileBytes(dead));
        EXPECT_TRUE(CServerState::IsDead());
    }
}

// Held by another host for longer than the store waits: an open failure, logged, and the stamps
// skipped with the file left as it was.
TEST_F(ServerState, FileHeldOpenElsewhereIsAnOpenFailure) {
    const std::string old = storage::SealTime(LocalMoment(2024, 1, 31, 9, 5, 7));
    ASSERT_TRUE(WriteFileBytes(dead, old));
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        const win32::FileHandle heldDead = HoldOpen(dead), heldSub = HoldOpen(sub);
        ASSERT_TRUE(heldDead && heldSub);
        win32::Seconds t = 0;
        EXPECT_FALSE(CServerState::GetDeadTime(t));
        EXPECT_FALSE(CServerState::ToDead());
        EXPECT_FALSE(CServerState::ToSub());
    }
    const std::vector<std::string> expected = {"4|1|" + dead + "のオープンに失敗",
                                               "4|1|" + dead + "のオープンに失敗",
                                               "4|1|" + sub + "の作成に失敗"};
    EXPECT_EQ(expected, log.Entries());
    EXPECT_EQ(old, ReadFileBytes(dead));
    EXPECT_EQ(0, StrayFiles());
}

// Two hosts using the stored files at the same moment: each opens them without sharing, so
// one meets the other's open now and then. Neither may read that as "no file", nor lose a save.
TEST_F(ServerState, TwoHostsAtOnceNeitherMissAFileNorLoseASave) {
    win32::KernelHandle started(CreateEventA(nullptr, TRUE, FALSE, kChildStarted));
    win32::KernelHandle child(testing_support::StartChild("churn"));
    ASSERT_TRUE(child.valid());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(started.get(), 60000));
    EXPECT_EQ(0, Churn()) << "this host";
    EXPECT_EQ(0u, testing_support::WaitForExitCode(child.get())) << "the other host";
    CLoginManager::Remove();
    CLoginManager::ClearLoginInfo();
}

}  // namespace
