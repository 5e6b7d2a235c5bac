// Exchanges of several processes through one program directory: the fixed file names are
// shared, so the named mutex must keep them strictly one at a time.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <thread>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "frame/Directories.h"
#include "support/ChildRole.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Handle.h"

using HttpUtility::CHttpRequestUtil;
using HttpUtility::ExchangeMutex;
using win32::KernelHandle;

namespace {

// One exchange sending id=ID from the program directory it is given: 0 when the answer is its
// own query, 1 when it is another's, 2 when the exchange failed.
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

TEST(ExchangeAcrossProcesses, EachProcessGetsItsOwnAnswer) {
    testing_support::ScriptedClientDirectory client;
    client.Script("exit=200\nbody=echo\n");
    std::vector<KernelHandle> workers;
    for (int id = 1; id <= 6; ++id) workers.push_back(StartWorker(client.path(), id));
    for (KernelHandle& worker : workers) {
        ASSERT_TRUE(worker.valid());
        EXPECT_EQ(0u, testing_support::WaitForExitCode(worker.get()));
    }
    EXPECT_EQ("", client.OverlapLog());  // no two clients ever ran at once
    for (int id = 1; id <= 6; ++id)
        EXPECT_NE(std::string::npos,
                  client.RequestLog().find("query:id=" + std::to_string(id) + "&\n"));
}

// A holder that ended inside an exchange (its thread or process gone) leaves the mutex
// abandoned: the next exchange takes it and runs.
TEST(ExchangeLock, AbandonedLockDoesNotBlockTheNextExchange) {
    testing_support::ScriptedClientDirectory client;
    client.Script("exit=200\nbody=echo\n");
    std::thread([] { ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ExchangeMutex(), 0)); }).join();
    CHttpRequestUtil request("https://127.0.0.1/after");
    request.SetParameter("id", "next");
    EXPECT_TRUE(request.Execute());
    EXPECT_EQ("id=next&", request.GetResponse());
}

// Another user's host holds the mutex's name with an access list this user does not pass: a
// host that cannot take the lock must not exchange without it.
TEST(ExchangeAcrossProcesses, HostDeniedTheMutexRefusesToExchange) {
    testing_support::ScriptedClientDirectory client;
    client.Script("exit=200\nbody=echo\n");
    ACL empty;
    ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetSecurityInfo(ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &empty, nullptr));
    const DWORD exitCode = testing_support::WaitForExitCode(StartWorker(client.path(), 1).get());
    // Everyone may use it again (a NULL access list).
    SetSecurityInfo(ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                    nullptr, nullptr);
    EXPECT_EQ(2u, exitCode) << "the exchange must fail";
    EXPECT_EQ("", client.RequestLog()) << "no client may run unguarded";
}

}  // namespace
