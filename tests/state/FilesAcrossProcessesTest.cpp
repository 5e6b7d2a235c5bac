// Two hosts using the stored files at the same moment: each opens them without sharing, so
// one meets the other's open now and then. Neither may read that as "no file", nor lose a save.
#include <gtest/gtest.h>

#include <string>

#include "StateFiles.h"
#include "login/LoginManager.h"
#include "storage/ExclusiveFile.h"
#include "support/ChildRole.h"
#include "win32/Handle.h"

using login::CLoginManager;
using storage::CServerState;

namespace {

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

}  // namespace

TEST(FilesAcrossProcesses, NeitherHostMissesAFileOrLosesASave) {
    state_tests::RemoveStateFiles();
    win32::KernelHandle started(CreateEventA(nullptr, TRUE, FALSE, kChildStarted));
    win32::KernelHandle child(testing_support::StartChild("churn"));
    ASSERT_TRUE(child.valid());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(started.get(), 60000));
    EXPECT_EQ(0, Churn()) << "this host";
    EXPECT_EQ(0u, testing_support::WaitForExitCode(child.get())) << "the other host";
    CLoginManager::Remove();
    CLoginManager::ClearLoginInfo();
    state_tests::RemoveStateFiles();
}
