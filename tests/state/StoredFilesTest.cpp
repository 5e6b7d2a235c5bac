// "Login.dat", the call scope that loads it, and the server state files, on real files.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <stdlib.h>

#include "StateFiles.h"
#include "frame/errors/Exceptions.h"
#include "log/LogWriter.h"
#include "login/CallScope.h"
#include "login/LoginManager.h"
#include "storage/Crypt.h"
#include "storage/ExclusiveFile.h"
#include "storage/ServerState.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"

using login::CLoginManager;
using storage::CServerState;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

// The keys as their Shift_JIS bytes, independent of how this file is compiled.
const std::string kIdKey = "\x89\xef\x8e\xd0ID", kPasswordKey = "\xca\xdf\xbd\xdc\xb0\xc4\xde";
const std::string kUserKey = "\x8e\x67\x97\x70\x8e\xd2\x96\xbc", kSaveKey = "\x95\xdb\x91\xb6";
const char kChildStarted[] = "pelmora-test-files-child-started";

std::string LoginFile(const std::string& id, const std::string& password, const std::string& user,
                      const std::string& save) {
    return kIdKey + "=" + id + "\r\n" + kPasswordKey + "=" + password + "\r\n" + kUserKey + "=" +
           user + "\r\n" + kSaveKey + "=" + save + "\r\n";
}

void MakeCurrent(const std::string& id, const std::string& password, const std::string& user,
                 bool save) {
    CLoginManager::SetLoginInfo(
        std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{id, password, user, save}));
}

// The current record as "id|password|user|save"; "none" without one.
std::string Current() {
    const auto info = CLoginManager::GetLoginInfo();
    if (!info) return "none";
    return info->companyId + "|" + info->password + "|" + info->userName + "|" +
           (info->saveFlag ? "true" : "false");
}

bool SocketLayerStarted() {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return s != INVALID_SOCKET && closesocket(s) == 0;
}

// A time text and the digest of `digestOf` (of the text itself when well made), encrypted.
std::string Sealed(const std::string& timeText, std::string digestOf = std::string()) {
    std::string cipher;
    storage::CCrypt().Generate(
        cipher, timeText + " " + storage::CCrypt().MD5(digestOf.empty() ? timeText : digestOf),
        true);
    return cipher;
}

// Says it runs, then saves and reads back "Login.dat" and "dead.dat" in turns: the failed calls.
int Churn() {
    SetEvent(win32::KernelHandle(OpenEventA(EVENT_MODIFY_STATE, FALSE, kChildStarted)).get());
    MakeCurrent("C1", "pw", "user", true);
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
        state_tests::RemoveStateFiles();
        DeleteFileA(login.c_str());
        CLoginManager::ClearLoginInfo();
    }
    void TearDown() override { SetUp(); }

    const std::string login = CLoginManager::GetFilePath();
    const std::string dead = CServerState::GetDeadFilePath();
    const std::string sub = CServerState::GetSubFilePath();
};

// Unknown and missing lines, LF ends, a key twice (the last wins), a flag "true" only exactly.
TEST_F(StoredFiles, LoginLoadTakesWhatItCanFromAnyContent) {
    const std::pair<std::string, std::string> cases[] = {
        {"junk\n" + kIdKey + "=C9\n" + kPasswordKey + "=first\n" + kPasswordKey + "=second\n",
         "C9|second||false"},
        {"", "|||false"},
        {LoginFile("a", "b", "c", "TRUE"), "a|b|c|false"},
        {LoginFile("a", "b", "c", "true "), "a|b|c|false"},
    };
    for (const auto& [file, loaded] : cases) {
        ASSERT_TRUE(WriteFileBytes(login, file));
        ASSERT_TRUE(CLoginManager::Load()) << file;
        EXPECT_EQ(loaded, Current()) << file;
    }
}

// A trail byte 0x5C and equals signs come back whole; the log shows the password's mask only.
TEST_F(StoredFiles, LoginFileRoundTripLogsNoPasswordAndRemoveTakesOnlyTheFile) {
    const std::string id = "id=1==", password = "p=a\x83\x5cs", user = "\x8e\x67\x97\x70=x";
    testing_support::HostLogFile log(logging::SetLogFile);
    EXPECT_FALSE(CLoginManager::Save());
    MakeCurrent(id, password, user, true);  // ソ, 使用=x
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile(id, password, user, "true"), ReadFileBytes(login));
    CLoginManager::ClearLoginInfo();
    ASSERT_TRUE(CLoginManager::Load());
    EXPECT_EQ(id + "|" + password + "|" + user + "|true", Current());
    int masked = 0;  // the saved data and the loaded password, each masked
    for (const std::string& entry : log.Entries()) {
        EXPECT_EQ(std::string::npos, entry.find(password)) << entry;
        masked += entry.find("********") != std::string::npos;
    }
    EXPECT_EQ(2, masked);
    // A crash between a save's write and its rename left a password beside the file; a save
    // under way in a running process is left alone.
    const std::string abandoned = login + ".4294967291.1.tmp";
    const std::string underWay = login + win32::Format(".%lu.1.tmp", GetCurrentProcessId());
    ASSERT_TRUE(WriteFileBytes(abandoned, password) && WriteFileBytes(underWay, password));
    MakeCurrent("kept", "", "u", false);
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile("kept", "", "u", "false"), ReadFileBytes(login));
    EXPECT_FALSE(testing_support::FileExists(abandoned));
    EXPECT_TRUE(DeleteFileA(underWay.c_str()));
    CLoginManager::Remove();
    EXPECT_FALSE(testing_support::FileExists(login));
    EXPECT_EQ("kept||u|false", Current());
}

// Without a stored login, a record made current (as a silent login leaves it) survives the load.
TEST_F(StoredFiles, CallScopeLoadsTheLoginAndReleasesWhatItTook) {
    MakeCurrent("mem", "", "", false);
    {
        login::CApiCallScope scope;
        EXPECT_EQ("mem|||false", Current());
    }
    ASSERT_TRUE(WriteFileBytes(login, LoginFile("C7", "pw", "u", "true")));
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        login::CApiCallScope scope;
        EXPECT_TRUE(SocketLayerStarted());
        EXPECT_EQ("C7|pw|u|true", Current());
    }
    EXPECT_FALSE(SocketLayerStarted());
    EXPECT_EQ("none", Current());
    EXPECT_EQ("99|0|", log.Entries().back()) << "no end of the call";
}

// Around the hour daylight saving skips: 01:50 EST, then fifteen real minutes later 03:05 EDT.
TEST_F(StoredFiles, StateHoldsLocalTimeAndReadsBackTheSameMoment) {
    _putenv("TZ=EST5EDT");
    _tzset();
    const std::pair<win32::Seconds, std::string> moments[] = {{1710053400, "2024/03/10/01/50/00"},
                                                              {1710054300, "2024/03/10/03/05/00"}};
    for (const auto& [moment, text] : moments) {
        EXPECT_EQ(Sealed(text), storage::SealTime(moment)) << text;
        ASSERT_TRUE(WriteFileBytes(sub, Sealed(text)));
        win32::Seconds read = 0;
        ASSERT_TRUE(CServerState::GetSubTime(read));
        EXPECT_EQ(moment, read) << text;
    }
}

// What a read of "dead.dat" ends in: the moment, or the failure it raised.
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

// Detected on every read and logged, the file kept; runs of separators and no seconds are fine.
TEST_F(StoredFiles, StateContentThatFailsItsChecksIsDetectedLoggedAndKept) {
    const std::string sealed = storage::SealTime(1706659507);
    std::string flipped = sealed;
    flipped[51] ^= 0x01;
    const std::string forged = "4|1|dead.datが改ざんされた可能性あり";  // for both files
    struct Case {
        std::string content, outcome, entry;
    };
    const Case cases[] = {
        {"", "falsified", "4|1|保存されている情報が正しくありません"},
        {"2024/01/31/09/05/07 plain text", "falsified", "4|1|保存されている情報が正しくありません"},
        {sealed.substr(0, 40), "falsified", forged},
        {sealed + "trailing", "falsified", forged},
        {flipped, "falsified", forged},
        {Sealed("2024/01/31/09/05/07", "2024/01/31/09/05/08"), "falsified", forged},
        {Sealed("2024/01/31/23/59/30"), "1706713170", ""},
        {Sealed("2024//12/31/23/59"), "1735657140", ""},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (const char* outOfRange :
         {"2024/13/01/00/00/00", "2024/01/31/24/00/00", "2024/01/01/00/60/00",
          "2024/01/01/00/00/60", "1899/12/31/00/00/00", "2024/01", "2024/01/31/00/00/99999999999"})
        all.push_back({Sealed(outOfRange), "E_FAIL", ""});
    _putenv("TZ=JST-9");  // the accepted moments are Japan's local times
    _tzset();
    for (const Case& c : all) {
        ASSERT_TRUE(WriteFileBytes(dead, c.content));
        testing_support::HostLogFile log(logging::SetLogFile);
        EXPECT_EQ(c.outcome, ReadOutcome()) << c.content;
        EXPECT_EQ(c.entry, log.Entries().empty() ? "" : log.Entries().back()) << c.content;
        EXPECT_EQ(c.content, ReadFileBytes(dead));
        EXPECT_TRUE(CServerState::IsDead());
    }
}

// Held by another host for longer than the store waits: logged, the file left as it was.
TEST_F(StoredFiles, StateFileHeldOpenElsewhereIsAnOpenFailure) {
    const std::string old = storage::SealTime(1706659507);
    ASSERT_TRUE(WriteFileBytes(dead, old));
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        const win32::FileHandle held = state_tests::HoldOpen(dead);
        ASSERT_TRUE(held);
        win32::Seconds t = 0;
        EXPECT_FALSE(CServerState::GetDeadTime(t) || CServerState::ToDead());
    }
    EXPECT_EQ(std::vector<std::string>(2, "4|1|" + dead + "のオープンに失敗"), log.Entries());
    EXPECT_EQ(old, ReadFileBytes(dead));
    EXPECT_EQ(0, state_tests::StrayFiles());
}

// Each opens the files without sharing: a moment's open elsewhere is no "no file", no lost save.
TEST_F(StoredFiles, TwoHostsAtOnceNeitherMissAFileNorLoseASave) {
    win32::KernelHandle started(CreateEventA(nullptr, TRUE, FALSE, kChildStarted));
    win32::KernelHandle child(testing_support::StartChild("churn"));
    ASSERT_TRUE(child.valid());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(started.get(), 60000));
    EXPECT_EQ(0, Churn()) << "this host";
    EXPECT_EQ(0u, win32::AwaitExitCode(child.get())) << "the other host";
}

}  // namespace
