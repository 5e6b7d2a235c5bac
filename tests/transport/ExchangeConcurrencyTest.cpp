// Exchanges of several processes through one program directory: the fixed file names are
// shared, so the named mutex must keep them strictly one at a time.
#include <gtest/gtest.h>

#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "frame/Directories.h"
#include "support/ChildRole.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Handle.h"

#include <aclapi.h>

using HttpUtility::CHttpRequestUtil;
using win32::KernelHandle;

namespace {

// One exchange of a process of its own, sending id=ID from the program directory it is given:
// 0 when the answer is its own query, 1 when it is another's, 2 when the exchange failed.
int ExchangeOnce() {
    const std::string argument = testing_support::ChildArgument();
    const std::string id = argument.substr(0, argument.find(' '));
    frame::SetProgramDirectoryOverride(argument.substr(id.size() + 1).c_str());
    CHttpRequestUtil request("https://127.0.0.1/worker");
    request.SetParameter("id", id);
    if (!request.Execute()) return 2;
    return request.GetResponse() == "id=" + id + "&" ? 0 : 1;
}

const int kRoleDispatched = testing_support::DispatchChildRole({{"exchange", ExchangeOnce}});

KernelHandle StartWorker(const std::string& directory, int id) {
    return KernelHandle(
        testing_support::StartChild("exchange", std::to_string(id) + " " + directory));
}

std::string UniqueName(const char* what) {
    return std::string("pelmora-test-") + what + "-" + std::to_string(GetCurrentProcessId());
}

}  // namespace

TEST(ExchangeAcrossProcesses, EachProcessGetsItsOwnAnswer) {
    testing_support::ScriptedClientDirectory client;
    client.Script("exit=200\nbody=echo\n");
    const int kWorkers = 6;
    std::vector<KernelHandle> workers;
    for (int id = 1; id <= kWorkers; ++id) {
        workers.push_back(StartWorker(client.path(), id));
        ASSERT_TRUE(workers.back().valid());
    }
    for (int id = 1; id <= kWorkers; ++id)
        EXPECT_EQ(0u, testing_support::WaitForExitCode(workers[id - 1].get())) << "worker " << id;
    EXPECT_EQ("", client.OverlapLog());  // no two clients ever ran at once
    std::string log = client.RequestLog();
    for (int id = 1; id <= kWorkers; ++id)
        EXPECT_NE(std::string::npos, log.find("query:id=" + std::to_string(id) + "&\n"));
}

TEST(ExchangeAcrossProcesses, ProcessKilledInsideAnExchangeDoesNotBlockTheNext) {
    testing_support::ScriptedClientDirectory client;
    std::string running = UniqueName("client-running"), release = UniqueName("client-release");
    KernelHandle clientRunning(CreateEventA(nullptr, TRUE, FALSE, running.c_str()));
    KernelHandle clientRelease(CreateEventA(nullptr, TRUE, FALSE, release.c_str()));
    client.Script("signal=" + running + "\nwait=" + release + "\nexit=200\nbody=echo\n");

    KernelHandle worker = StartWorker(client.path(), 1);
    ASSERT_TRUE(worker.valid());
    // Once its client runs, the worker is inside Execute and holds the mutex.
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(clientRunning.get(), 60000));
    ASSERT_EQ(static_cast<DWORD>(WAIT_TIMEOUT),
              WaitForSingleObject(HttpUtility::ExchangeMutex(), 0));
    TerminateProcess(worker.get(), 9);
    WaitForSingleObject(worker.get(), INFINITE);
    // Its client goes down with it, as when a user ends the host's process tree.
    DWORD clientId = std::stoul(testing_support::ReadFileBytes(client.File("fakeclient-pid.txt")));
    KernelHandle orphan(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, clientId));
    ASSERT_TRUE(orphan.valid());
    TerminateProcess(orphan.get(), 9);
    WaitForSingleObject(orphan.get(), INFINITE);

    // This process holds a handle, so the mutex outlives the worker and is left abandoned; the
    // next exchange takes it and runs.
    DWORD wait = WaitForSingleObject(HttpUtility::ExchangeMutex(), 60000);
    EXPECT_EQ(static_cast<DWORD>(WAIT_ABANDONED), wait);
    if (wait == WAIT_ABANDONED || wait == WAIT_OBJECT_0) ReleaseMutex(HttpUtility::ExchangeMutex());
    client.Script("exit=200\nbody=echo\n");
    CHttpRequestUtil request("https://127.0.0.1/after");
    request.SetParameter("id", "next");
    EXPECT_TRUE(request.Execute());
    EXPECT_EQ("id=next&", request.GetResponse());
}

// Another user's host holds the mutex's name with an access list this user does not pass:
// a host that cannot take the lock must not exchange without it.
TEST(ExchangeAcrossProcesses, HostDeniedTheMutexRefusesToExchange) {
    testing_support::ScriptedClientDirectory client;
    client.Script("exit=200\nbody=echo\n");
    ACL empty;
    ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetSecurityInfo(HttpUtility::ExchangeMutex(), SE_KERNEL_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty, nullptr));
    KernelHandle worker = StartWorker(client.path(), 1);
    const DWORD exitCode = testing_support::WaitForExitCode(worker.get());
    // Everyone may use it again (a NULL access list).
    SetSecurityInfo(HttpUtility::ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                    nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(2u, exitCode) << "the exchange must fail";
    EXPECT_EQ("", client.RequestLog()) << "no client may run unguarded";
}
