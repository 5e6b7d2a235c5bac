// The exchange through the scripted client, and the mutex that keeps exchanges one at a time.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <thread>

#include "fakeclient/ScriptedClient.h"
#include "frame/host/Directories.h"
#include "frame/errors/Exceptions.h"
#include "log/LogWriter.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"
#include "transport/HttpRequestUtil.h"
#include "transport/ProxyDialogFlag.h"
#include "win32/Handle.h"

using HttpUtility::CHttpRequestUtil;
using HttpUtility::ExchangeMutex;
using testing_support::FileExists;

namespace {

const std::string kUrl = "https://127.0.0.1:8443/Pelmora/Pelmora/CheckSqlServerRunning";

// Another process sends its id from the given directory: 0 when the answer echoes its query.
int ExchangeOnce() {
    frame::SetProgramDirectoryOverride(testing_support::ChildArgument().c_str());
    CHttpRequestUtil request(kUrl);
    request.SetParameter("id", static_cast<int>(GetCurrentProcessId()));
    return request.Execute() && request.GetResponse() == request.BuildQuery() ? 0 : 1;
}

// Denied the mutex's name: the first request must fail; once the name is granted, one must run.
int ExchangeOnceGranted() {
    frame::SetProgramDirectoryOverride(testing_support::ChildArgument().c_str());
    const bool refused = !CHttpRequestUtil(kUrl).Execute();
    SetEvent(win32::KernelHandle(CreateEventA(nullptr, TRUE, FALSE, "pelmora-denied-tried")).get());
    const bool granted = testing_support::WaitUntil([] { return ExchangeMutex() != nullptr; });
    return refused && granted ? ExchangeOnce() : 1;
}

const int kRoleDispatched = testing_support::DispatchChildRole(
    {{"exchange", ExchangeOnce}, {"exchange-granted", ExchangeOnceGranted}});

class Exchange : public ::testing::Test {
protected:
    void TearDown() override { transport::SetProxyDialogFlag(false); }
    testing_support::ScriptedClientDirectory client{frame::SetProgramDirectoryOverride};
};

// The exit code is the status, 1234 the client's "no answer at all"; a code that is no HTTP status
// (0, a crash's) fails with nothing taken. Only this request's answer is taken, its lines joined:
// never one an exchange that died before reading it left (planted before each row; "" answers
// nothing), nor one too large to be an answer.
TEST_F(Exchange, ExitCodeIsTheStatusAndOnlyThisRequestsAnswerIsTaken) {
    const std::tuple<DWORD, std::string, bool, int, std::string> cases[] = {
        {0, "body", false, 5, ""},      {100, "body", true, 0, "body"},
        {399, "body", true, 0, "body"}, {400, "body", false, 5, "body"},
        {1233, "body", false, 5, ""},   {0xC0000005, "body", false, 5, ""},
        {1234, "body", false, 3, ""},   {200, "<a>\r\n b\n</a>\n", true, 0, "<a> b</a>"},
        {200, "", true, 0, ""},         {200, std::string((16 << 20) + 1, ' '), false, 3, ""}};
    for (const auto& [exitCode, body, result, errorCode, response] : cases) {
        SCOPED_TRACE(std::to_string(exitCode) + " " + body.substr(0, 9));
        body.empty() ? client.AnswerNothing(exitCode) : client.Answer(exitCode, body);
        testing_support::WriteFileBytes(client.File("pmqresponse.xml"), "stale");
        CHttpRequestUtil request(kUrl);
        EXPECT_EQ(result, request.Execute());
        EXPECT_EQ(errorCode, request.GetErrorCode());
        EXPECT_EQ(exitCode != 1234 ? exitCode : 0u, request.GetStatusCode());
        EXPECT_EQ(response, request.GetResponse());
        EXPECT_FALSE(FileExists(client.File("pmqrequest.dat")));
        EXPECT_FALSE(exitCode != 1234 && FileExists(client.File("pmqresponse.xml")));
    }
    // 407 throws, keeps the dialog flag and releases the lock (taken next, not abandoned).
    client.AnswerNothing(407);
    transport::SetProxyDialogFlag(true);
    EXPECT_THROW(CHttpRequestUtil(kUrl).Execute(), frame::CProxyLoginCancelException);
    EXPECT_TRUE(transport::GetProxyDialogFlag());
    std::thread([] { EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ExchangeMutex(), 0)); }).join();
    // The next request goes with the flag set. Letters, digits and "_.-" pass, a space is "+", any
    // other byte (code-page bytes too) "%XX"; a name set twice keeps its last value; the client's
    // command line is its own quoted path alone.
    client.AnswerNothing(200);
    CHttpRequestUtil request(kUrl);
    request.SetParameter("A-Z_0.9 x~*/=&%\n", "first");
    request.SetParameter("A-Z_0.9 x~*/=&%\n", "会社ID");
    ASSERT_TRUE(request.Execute());
    EXPECT_EQ("url:" + kUrl +
                  "\nquery:A-Z_0.9+x%7E%2A%2F%3D%26%25%0A=%89%EF%8E%D0ID&\nshowproxydlg:true\n",
              client.LastRequest());
    EXPECT_EQ("\"" + client.File("pmqclient.exe") + "\"",
              testing_support::ReadFileBytes(client.File("fakeclient-commandline.txt")));
    EXPECT_FALSE(transport::GetProxyDialogFlag());
}

// A client that never ends is ended once the library's bound (shortened here) has passed: the
// request fails as one that ran out of time, and leaves no file behind.
TEST_F(Exchange, AClientPastTheBoundIsEndedAndTheRequestFails) {
    client.Script("wait=pelmora-never-set\n");
    SetEnvironmentVariableA("PELMORA_CLIENT_WAIT_MS", "500");
    CHttpRequestUtil request(kUrl);
    EXPECT_FALSE(request.Execute());
    SetEnvironmentVariableA("PELMORA_CLIENT_WAIT_MS", nullptr);
    EXPECT_EQ(9, request.GetErrorCode());
    const std::string pid = testing_support::ReadFileBytes(client.File("fakeclient-pid.txt"));
    const win32::KernelHandle process(
        pid.empty() ? nullptr : OpenProcess(SYNCHRONIZE, FALSE, std::stoul(pid)));
    EXPECT_TRUE(!process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0);
    EXPECT_FALSE(FileExists(client.File("pmqrequest.dat")));
    EXPECT_FALSE(FileExists(client.File("pmqresponse.xml")));
}

// The request holds the password: only this user (and the system) may read it, whatever the
// folder grants; with no client to take it, or no file to hold it, it is not left behind. The
// proxy dialog's switch waits for a client that ran.
TEST_F(Exchange, RequestIsThisUsersAloneAndNeverLeftBehind) {
    CHttpRequestUtil written(kUrl);
    ASSERT_TRUE(written.BeginRequest());
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetNamedSecurityInfoA(written.GetRequestFilePath().c_str(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr, &list, nullptr,
                                    &descriptor));
    const win32::LocalMemory owner(descriptor);
    EXPECT_EQ(2, list->AceCount) << "this user and the system, nobody else";
    testing_support::HostLogFile log(logging::SetLogFile);
    client.RemoveClient();
    transport::SetProxyDialogFlag(true);
    CHttpRequestUtil missing(kUrl);
    EXPECT_FALSE(missing.Execute());
    EXPECT_EQ(7, missing.GetErrorCode());
    EXPECT_FALSE(FileExists(client.File("pmqrequest.dat")));
    EXPECT_TRUE(transport::GetProxyDialogFlag());
    frame::SetProgramDirectoryOverride((client.path() + "\\missing").c_str());
    CHttpRequestUtil unwritable(kUrl);
    EXPECT_FALSE(unwritable.Execute());
    EXPECT_EQ(0, unwritable.GetErrorCode());
    EXPECT_EQ(std::vector<std::string>{"4|2|ファイルの作成に失敗＞＜"}, log.Entries());
}

// As when another user's host holds the mutex's name: no lock, no exchange, until it is granted.
// Then each process gets its own answer (its children fail otherwise), one client at a time.
TEST_F(Exchange, NoExchangeWithoutTheMutexAndOneAtATimeWithIt) {
    client.Script("exit=200\nbody=echo\n");
    win32::KernelHandle tried(CreateEventA(nullptr, TRUE, FALSE, "pelmora-denied-tried"));
    ACL empty;
    ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetSecurityInfo(ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &empty, nullptr));
    std::vector<win32::KernelHandle> workers;
    workers.push_back(testing_support::StartChild("exchange-granted", client.path()));
    const HANDLE either[] = {tried.get(), workers[0].get()};
    WaitForMultipleObjects(2, either, FALSE, INFINITE);
    EXPECT_EQ("", client.RequestLog()) << "no client may run unguarded";
    SetSecurityInfo(ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                    nullptr, nullptr);
    while (workers.size() < 6)
        workers.push_back(testing_support::StartChild("exchange", client.path()));
    for (win32::KernelHandle& worker : workers) EXPECT_EQ(0u, win32::AwaitExitCode(worker.get()));
    EXPECT_EQ("", client.OverlapLog());
}

}  // namespace
