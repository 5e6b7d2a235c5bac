// The exchange through the scripted client, and the mutex that keeps exchanges one at a time.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <thread>

#include "fakeclient/ScriptedClient.h"
#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"
#include "transport/HttpRequestUtil.h"
#include "transport/ProxyDialogFlag.h"
#include "transport/TextConvert.h"
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

// Denied the mutex's name: the first request must fail, the one after the grant must run.
int ExchangeOnceGranted() {
    frame::SetProgramDirectoryOverride(testing_support::ChildArgument().c_str());
    const bool refused = !CHttpRequestUtil(kUrl).Execute();
    win32::KernelHandle tried(CreateEventA(nullptr, TRUE, FALSE, "pelmora-denied-tried"));
    win32::KernelHandle granted(CreateEventA(nullptr, TRUE, FALSE, "pelmora-name-granted"));
    SetEvent(tried.get());
    WaitForSingleObject(granted.get(), INFINITE);
    return refused && CHttpRequestUtil(kUrl).Execute() ? 0 : 1;
}

const int kRoleDispatched = testing_support::DispatchChildRole(
    {{"exchange", ExchangeOnce}, {"exchange-granted", ExchangeOnceGranted}});

class Exchange : public ::testing::Test {
protected:
    void TearDown() override { transport::SetProxyDialogFlag(false); }
    testing_support::ScriptedClientDirectory client{frame::SetProgramDirectoryOverride};
};

// Code-page bytes go out as they are, or converted first; a name set twice keeps its last value.
TEST(Query, ParametersArePercentEncodedEachNameOnce) {
    const std::pair<std::string, std::string> cases[] = {{"a b", "a+b=&"},
                                                         {"A-Z_0.9", "A-Z_0.9=&"},
                                                         {"x~*/=&%\n", "x%7E%2A%2F%3D%26%25%0A=&"},
                                                         {"会社ID", "%89%EF%8E%D0ID=&"}};
    for (const auto& [name, query] : cases) {
        CHttpRequestUtil request(kUrl);
        request.SetParameter(name, "");
        EXPECT_EQ(query, request.BuildQuery());
    }
    CHttpRequestUtil request(kUrl);
    request.SetConverter(transport::ConvertToUtf8);
    request.SetParameter("会社ID", "first");
    request.SetParameter("会社ID", "パ");
    EXPECT_EQ("%E4%BC%9A%E7%A4%BEID=%E3%83%91&", request.BuildQuery());
}

// 1234 is the client's "no answer at all": no status, and any answer file is ignored.
TEST_F(Exchange, ExitCodeIsTheStatusAndDecidesTheResult) {
    const std::tuple<DWORD, bool, int> cases[] = {
        {0, true, 0},     {200, true, 0},   {399, true, 0},        {400, false, 5},
        {1233, false, 5}, {1234, false, 3}, {0xFFFFFFFE, false, 5}};
    for (const auto& [exitCode, result, errorCode] : cases) {
        client.Answer(exitCode, "body");
        CHttpRequestUtil request(kUrl);
        EXPECT_EQ(result, request.Execute()) << exitCode;
        EXPECT_EQ(errorCode, request.GetErrorCode()) << exitCode;
        const bool answered = exitCode != 1234;
        EXPECT_EQ(answered ? exitCode : 0u, request.GetStatusCode());
        EXPECT_EQ(answered ? "body" : "", request.GetResponse()) << exitCode;
        EXPECT_FALSE(FileExists(client.File("pmqrequest.dat"))) << exitCode;
    }
}

// A proxy demand throws, keeps the dialog flag and releases the lock (the next exchange takes it
// even abandoned); the client's command line is its own quoted path alone.
TEST_F(Exchange, ProxyDemandKeepsTheDialogFlagAndClientGetsTheThreeLines) {
    client.AnswerNothing(407);
    transport::SetProxyDialogFlag(true);
    EXPECT_THROW(CHttpRequestUtil(kUrl).Execute(), frame::CProxyLoginCancelException);
    EXPECT_TRUE(transport::GetProxyDialogFlag());
    std::thread([] { EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ExchangeMutex(), 0)); }).join();
    client.AnswerNothing(200);
    CHttpRequestUtil request(kUrl);
    request.SetParameter("id", 7);
    ASSERT_TRUE(request.Execute());
    EXPECT_EQ("url:" + kUrl + "\nquery:id=7&\nshowproxydlg:true\n", client.LastRequest());
    EXPECT_EQ("\"" + client.File("pmqclient.exe") + "\"",
              testing_support::ReadFileBytes(client.File("fakeclient-commandline.txt")));
    EXPECT_FALSE(transport::GetProxyDialogFlag());
}

// An answer file left by an exchange that died before reading it is never taken for the next.
TEST_F(Exchange, AnswerLinesAreJoinedAndAStaleAnswerIsNeverTaken) {
    client.Answer(200, "<Response>\r\n  <Success>TRUE</Success>\n</Response>\n");
    CHttpRequestUtil answered(kUrl);
    ASSERT_TRUE(answered.Execute());
    EXPECT_EQ("<Response>  <Success>TRUE</Success></Response>", answered.GetResponse());
    EXPECT_FALSE(FileExists(client.File("pmqresponse.xml")));
    client.AnswerNothing(200);
    ASSERT_TRUE(testing_support::WriteFileBytes(client.File("pmqresponse.xml"), "stale"));
    CHttpRequestUtil unanswered(kUrl);
    EXPECT_TRUE(unanswered.Execute());
    EXPECT_EQ("", unanswered.GetResponse());
    // Too large to be an answer: not one a login could take for a refusal.
    client.Answer(200, std::string((16 << 20) + 1, ' '));
    CHttpRequestUtil oversized(kUrl);
    EXPECT_FALSE(oversized.Execute());
    EXPECT_EQ(3, oversized.GetErrorCode());
    EXPECT_FALSE(FileExists(client.File("pmqresponse.xml")));
}

// While the client runs, only this user and the system may open the request, whatever the folder
// grants.
TEST_F(Exchange, RequestIsReadableByThisUserAlone) {
    client.Script("signal=pelmora-acl-running\nwait=pelmora-acl-release\n");
    win32::KernelHandle running(CreateEventA(nullptr, TRUE, FALSE, "pelmora-acl-running"));
    win32::KernelHandle release(CreateEventA(nullptr, TRUE, FALSE, "pelmora-acl-release"));
    std::thread exchange([] { EXPECT_TRUE(CHttpRequestUtil(kUrl).Execute()); });
    WaitForSingleObject(running.get(), INFINITE);
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = GetNamedSecurityInfoA(client.File("pmqrequest.dat").c_str(),
                                               SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                               nullptr, &list, nullptr, &descriptor);
    SetEvent(release.get());
    exchange.join();
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), result);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(2, list->AceCount) << "this user and the system, nobody else";
    LocalFree(descriptor);
}

// The request holds the password: with no client to take it, it must not stay on disk.
TEST_F(Exchange, RequestThatReachesNoClientIsNotLeftBehind) {
    testing_support::HostLogFile log(logging::SetLogFile);
    client.RemoveClient();
    transport::SetProxyDialogFlag(true);
    CHttpRequestUtil missing(kUrl);
    missing.SetParameter("パスワード", "secret");
    EXPECT_FALSE(missing.Execute());
    EXPECT_EQ(7, missing.GetErrorCode());
    EXPECT_EQ(0u, missing.GetStatusCode());
    EXPECT_FALSE(FileExists(client.File("pmqrequest.dat")));
    EXPECT_TRUE(transport::GetProxyDialogFlag());
    frame::SetProgramDirectoryOverride((client.path() + "\\missing").c_str());
    CHttpRequestUtil unwritable(kUrl);
    EXPECT_FALSE(unwritable.Execute());
    EXPECT_EQ(0, unwritable.GetErrorCode());
    EXPECT_EQ(0u, unwritable.GetStatusCode());
    EXPECT_EQ(std::vector<std::string>{"4|2|ファイルの作成に失敗＞＜"}, log.Entries());
}

TEST_F(Exchange, EachProcessGetsItsOwnAnswerAndNoTwoClientsRunAtOnce) {
    client.Script("exit=200\nbody=echo\n");
    std::vector<win32::KernelHandle> workers(6);
    for (win32::KernelHandle& worker : workers)
        worker = testing_support::StartChild("exchange", client.path());
    for (win32::KernelHandle& worker : workers) {
        EXPECT_EQ(0u, win32::AwaitExitCode(worker.get()));
        const std::string id = std::to_string(GetProcessId(worker.get()));
        EXPECT_NE(std::string::npos, client.RequestLog().find("query:id=" + id + "&\n"));
    }
    EXPECT_EQ("", client.OverlapLog());
}

// As when another user's host holds the mutex's name: no lock, no exchange, until it is granted.
TEST_F(Exchange, HostDeniedTheMutexExchangesOnceItIsGranted) {
    client.AnswerNothing(200);
    win32::KernelHandle tried(CreateEventA(nullptr, TRUE, FALSE, "pelmora-denied-tried"));
    win32::KernelHandle granted(CreateEventA(nullptr, TRUE, FALSE, "pelmora-name-granted"));
    ACL empty;
    ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetSecurityInfo(ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &empty, nullptr));
    win32::KernelHandle worker = testing_support::StartChild("exchange-granted", client.path());
    const HANDLE either[] = {tried.get(), worker.get()};
    WaitForMultipleObjects(2, either, FALSE, INFINITE);
    const std::string whileDenied = client.RequestLog();
    SetSecurityInfo(ExchangeMutex(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                    nullptr, nullptr);
    SetEvent(granted.get());
    EXPECT_EQ(0u, win32::AwaitExitCode(worker.get()));
    EXPECT_EQ("", whileDenied) << "no client may run unguarded";
    EXPECT_EQ(1u, testing_support::RequestFields(client.RequestLog(), "url").size());
}

}  // namespace
