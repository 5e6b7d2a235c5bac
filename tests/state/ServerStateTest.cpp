// The server state store on real files in the test prefix's data directory, under other time
// zones, and shared with another host at the same moment.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "support/HostLogFile.h"
#include "StateFiles.h"
#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "login/LoginManager.h"
#include "storage/Crypt.h"
#include "storage/ExclusiveFile.h"
#include "support/ChildRole.h"
#include "win32/Handle.h"

using login::CLoginManager;
using storage::CServerState;
using namespace state_tests;

namespace {

void UseZone(const char* tz) {
    _putenv(tz);
    _tzset();
}

constexpr int kRounds = 150;
const char kChildStarted[] = "pelmora-test-files-child-started";

// Saves and reads back "Login.dat" and "dead.dat" in turns; the number of failed calls.
int Churn() {
    CLoginManager::SetLoginInfo(
        std::make_shared<login::LOGIN_INFO>(login::LOGIN_INFO{"C1", "pw", "user", true}));
    int failures = 0;
    for (int i = 0; i < kRounds; ++i) {
        win32::Seconds time = 0;
        if (!CLoginManager::Save()) ++failures;
        if (!CLoginManager::Load()) ++failures;
        if (!storage::ReplaceFileExclusive(CServerState::GetDeadFilePath(),
                                           storage::EncryptCurrentTime()))
            ++failures;
        if (!CServerState::GetDeadTime(time)) ++failures;
    }
    return failures;
}

int ChurnAsChild() {
    win32::KernelHandle started(OpenEventA(EVENT_MODIFY_STATE, FALSE, kChildStarted));
    SetEvent(started.get());
    return Churn();
}

const int kRoleDispatched = testing_support::DispatchChildRole({{"churn", ChurnAsChild}});

class ServerState : public ::testing::Test {
protected:
    void SetUp() override { RemoveStateFiles(); }
    void TearDown() override { RemoveStateFiles(); }

    static std::string Decrypt(const std::string& bytes) {
        std::string plain;
        EXPECT_TRUE(storage::CCrypt().Generate(plain, bytes, false));
        return plain;
    }
};

// A fresh directory is the main state. The paths use a doubled slash, which the functions
// accept; the file holds the sealed local time of writing, and an earlier stamp is replaced.
TEST_F(ServerState, DeadFileHoldsTheSealedLocalTimeOfWriting) {
    win32::Seconds read = 0;
    EXPECT_FALSE(CServerState::IsDead());
    EXPECT_FALSE(CServerState::IsSub());
    EXPECT_FALSE(CServerState::GetDeadTime(read));
    EXPECT_FALSE(CServerState::GetSubTime(read));
    const std::string dir = frame::GetDataDirectory();
    EXPECT_EQ(dir + "//dead.dat", CServerState::GetDeadFilePath());
    EXPECT_EQ(dir + "//sub.dat", CServerState::GetSubFilePath());
    ASSERT_TRUE(WriteSealed(CServerState::GetDeadFilePath(), LocalMoment(2020, 5, 1, 12, 0, 0)));
    const win32::Seconds before = win32::Now();
    CServerState::ToDead();
    const win32::Seconds after = win32::Now();

    const std::string bytes = testing_support::ReadFileBytes(CServerState::GetDeadFilePath());
    ASSERT_EQ(52u, bytes.size());
    const std::string plain = Decrypt(bytes);
    const std::string timeText = plain.substr(0, 19);
    EXPECT_TRUE(timeText == win32::FormatLocalTime(before, "%Y/%m/%d/%H/%M/%S") ||
                timeText == win32::FormatLocalTime(after, "%Y/%m/%d/%H/%M/%S"))
        << timeText;
    EXPECT_EQ(' ', plain[19]);
    EXPECT_EQ(storage::CCrypt().MD5(timeText), plain.substr(20));
    EXPECT_TRUE(testing_support::FileExists(dir + "\\dead.dat"));
    ASSERT_TRUE(CServerState::GetDeadTime(read));
    EXPECT_GE(read, before);
    EXPECT_LE(read, after);
    EXPECT_EQ(0u, StrayFiles());
}

TEST_F(ServerState, ReleaseDeletesAndLogsOnlyWhenTheFileExists) {
    testing_support::HostLogFile log(logging::SetLogFile);
    CServerState::ReleaseDead();
    CServerState::ReleaseSub();
    EXPECT_TRUE(log.Lines().empty());

    CServerState::ToDead();
    CServerState::ToSub();
    CServerState::ReleaseDead();
    CServerState::ReleaseSub();
    EXPECT_FALSE(CServerState::IsDead());
    EXPECT_FALSE(CServerState::IsSub());
    const auto lines = log.Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(CServerState::GetDeadFilePath() + "の削除", lines[0].text);
    EXPECT_EQ(CServerState::GetSubFilePath() + "の削除", lines[1].text);
    EXPECT_EQ(1, lines[0].kind);
    EXPECT_EQ(1, lines[0].indent);
}

// The file holds the local time (the zone set for this process through TZ); a moment sealed in
// Japan, and moments in the hour that daylight saving skips (01:50 EST on 2024-03-10, then fifteen
// real minutes later 03:05 EDT), read back as the moment that was sealed.
TEST_F(ServerState, FilesHoldLocalTimeAndReadBackTheSameMomentInAnyZone) {
    struct Case {
        const char* zone;
        win32::Seconds moment;
        const char* sealed;
    };
    const Case cases[] = {
        {"TZ=JST-9", 1706713170, "2024/01/31/23/59/30"},  // 14:59:30 UTC
        {"TZ=EST5EDT", 1710053400, "2024/03/10/01/50/00"},
        {"TZ=EST5EDT", 1710054300, "2024/03/10/03/05/00"},
    };
    for (const Case& c : cases) {
        UseZone(c.zone);
        EXPECT_EQ(c.sealed, Decrypt(storage::SealTime(c.moment)).substr(0, 19)) << c.zone;
        ASSERT_TRUE(WriteSealed(CServerState::GetSubFilePath(), c.moment));
        win32::Seconds read = 0;
        ASSERT_TRUE(CServerState::GetSubTime(read));
        EXPECT_EQ(c.moment, read) << c.sealed;
    }
}

// --- Content that fails its checks -------------------------------------------------------------

// Edited, truncated, extended, empty or hand-made: detected on every read, the file kept as it
// is (its presence alone still counts).
TEST_F(ServerState, TamperedFilesAreDetectedAndKept) {
    const std::string path = CServerState::GetDeadFilePath();
    const std::string sealed = storage::SealTime(LocalMoment(2024, 1, 31, 9, 5, 7));
    std::vector<std::string> tampered = {"", "2024/01/31/09/05/07 plain text here",
                                         sealed.substr(0, 40), sealed + "trailing"};
    const size_t malformed = tampered.size();  // these fail the format check itself
    for (size_t index : {0u, 10u, 25u, 51u}) {
        tampered.push_back(sealed);
        tampered.back()[index] = static_cast<char>(sealed[index] ^ 0x01);
    }
    for (size_t i = 0; i < tampered.size(); ++i) {
        ASSERT_TRUE(testing_support::WriteFileBytes(path, tampered[i]));
        win32::Seconds t = 0;
        if (i < malformed) {
            EXPECT_THROW(CServerState::GetDeadTime(t), frame::CFalsificationException) << i;
        } else {
            EXPECT_THROW(CServerState::GetDeadTime(t), win32::CException) << i;
        }
        EXPECT_EQ(tampered[i], testing_support::ReadFileBytes(path));
        EXPECT_TRUE(CServerState::IsDead());
    }
}

TEST_F(ServerState, SubDigestMismatchLogsTheFixedEntry) {
    // A well-formed pair whose digest belongs to another time.
    const std::string plain =
        "2024/01/31/09/05/07 " + storage::CCrypt().MD5(std::string("2024/01/31/09/05/08"));
    std::string cipher;
    ASSERT_TRUE(storage::CCrypt().Generate(cipher, plain, true));
    ASSERT_TRUE(testing_support::WriteFileBytes(CServerState::GetSubFilePath(), cipher));

    testing_support::HostLogFile log(logging::SetLogFile);
    win32::Seconds t = 0;
    EXPECT_THROW(CServerState::GetSubTime(t), frame::CFalsificationException);
    const auto lines = log.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("dead.datが改ざんされた可能性あり", lines.back().text);
    EXPECT_EQ(4, lines.back().kind);
}

TEST_F(ServerState, SealedButImpossibleTimeRaisesWithItsResult) {
    auto sealedText = [](const std::string& timeText) {
        std::string cipher;
        storage::CCrypt().Generate(cipher, timeText + " " + storage::CCrypt().MD5(timeText), true);
        return cipher;
    };
    const char* impossible[] = {"2024/13/01/00/00/00", "2024/01/31/24/00/00", "1899/12/31/00/00/00",
                                "2024/01/31/00/00/99999999999",
                                "2024/01"};  // missing day reads as 0
    for (const char* text : impossible) {
        ASSERT_TRUE(
            testing_support::WriteFileBytes(CServerState::GetDeadFilePath(), sealedText(text)));
        win32::Seconds t = 0;
        try {
            CServerState::GetDeadTime(t);
            ADD_FAILURE() << text << " was accepted";
        } catch (const win32::CHResultException& e) {
            EXPECT_EQ(E_FAIL, e.Result()) << text;
        }
    }
    // Runs of separators and a missing seconds field are accepted as the format allows.
    ASSERT_TRUE(testing_support::WriteFileBytes(CServerState::GetDeadFilePath(),
                                                sealedText("2024//01/31/09/05")));
    win32::Seconds t = 0;
    ASSERT_TRUE(CServerState::GetDeadTime(t));
    EXPECT_EQ(LocalMoment(2024, 1, 31, 9, 5, 0), t);
}

// --- Exclusive access and whole-file replacement -----------------------------------------------

TEST_F(ServerState, FileHeldOpenElsewhereIsAnOpenFailure) {
    const std::string path = CServerState::GetDeadFilePath();
    const std::string old = storage::SealTime(LocalMoment(2024, 1, 31, 9, 5, 7));
    ASSERT_TRUE(testing_support::WriteFileBytes(path, old));
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        const win32::FileHandle other = HoldOpen(path);
        ASSERT_TRUE(other);
        win32::Seconds t = 0;
        EXPECT_FALSE(CServerState::GetDeadTime(t));
        CServerState::ToDead();  // cannot replace a file in use: logged and skipped
    }
    EXPECT_EQ(old, testing_support::ReadFileBytes(path));
    EXPECT_TRUE(log.Contains(path + "のオープンに失敗"));
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
