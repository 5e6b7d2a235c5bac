// The exchange through the scripted client, and the mutex that keeps exchanges one at a time.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <thread>

#include "fakeclient/ScriptedClient.h"
#include "contract/ClientContract.h"
#include "frame/host/Directories.h"
#include "errors/Exceptions.h"
#include "log/LogWriter.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"
#include "transport/HttpRequestUtil.h"
#include "transport/ProxyDialogFlag.h"
#include "win32/Handle.h"

using HttpUtility::CHttpRequestUtil;
using HttpUtility::ExchangeMutex;
using testing_support::ReadFileBytes;

namespace {

const std::string kUrl = "https://127.0.0.1:8443/Pelmora/Pelmora/CheckSqlServerRunning";

// Another process sends its id from the given directory: 0 when the answer echoes its query.
int ExchangeOnce() {
    frame::SetProgramDirectoryOverride(testing_support::ChildArgument().c_str());
    CHttpRequestUtil request(kUrl);
    request.SetParameter("id", static_cast<int>(GetCurrentProcessId()));
    const HttpUtility::ExchangeOutcome outcome = request.Execute();
    return !outcome.ok() || outcome.answer != "id=" + std::to_string(GetCurrentProcessId()) + "&";
}

// Denied the mutex's name: the first request must fail; once the name is granted, one must run.
int ExchangeOnceGranted() {
    frame::SetProgramDirectoryOverride(testing_support::ChildArgument().c_str());
    const bool refused = CHttpRequestUtil(kUrl).Execute().error == HttpUtility::kErrorNotMade;
    SetEvent(win32::KernelHandle(CreateEventA(nullptr, TRUE, FALSE, "pelmora-denied-tried")).get());
    const bool granted = testing_support::WaitUntil([] { return ExchangeMutex() != nullptr; });
    return refused && granted ? ExchangeOnce() : 1;
}

const int kRoleDispatched = testing_support::DispatchChildRole(
    {{"exchange", ExchangeOnce}, {"exchange-granted", ExchangeOnceGranted}});

// The names in the user's exchange folder.
std::vector<std::wstring> ExchangeFolderFiles() {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(frame::GetExchangeDirectory()))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

// Only this user and the system may open the file or folder.
void ExpectUsersAlone(const std::wstring& path) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &list, nullptr, &descriptor));
    const win32::LocalMemory owner(descriptor);
    EXPECT_EQ(2, list->AceCount) << "this user and the system, nobody else";
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(std::vector<std::wstring>(), ExchangeFolderFiles()); }
    void TearDown() override {
        transport::SetProxyDialogFlag(false);
        EXPECT_EQ(std::vector<std::wstring>(), ExchangeFolderFiles()) << "left behind";
    }
    // The file of that format that the next request object made on this thread names: its count
    // follows the one on the command line the client last got.
    std::wstring NextFile(const wchar_t* format) const {
        const std::string line = ReadFileBytes(client.File("fakeclient-commandline.txt"));
        wchar_t name[64];
        swprintf(name, 64, format, GetCurrentProcessId(), GetCurrentThreadId(),
                 std::stoul(line.substr(line.rfind('-') + 1)) + 1);
        return frame::GetExchangeDirectory() + L"\\" + name;
    }
    testing_support::ScriptedClientDirectory client{frame::SetProgramDirectoryOverride};
};

// 407 throws, keeps the dialog flag and releases the lock (taken next, not abandoned). The next
// request goes with the flag set, its parameters in the order first set (a name set again keeps
// its place, with its last value). Letters, digits and "_.-" pass, a space is "+", any other byte
// (code-page bytes too) "%XX". The client's command line is its own quoted path, then the
// request's and the answer's, quoted, in the exchange folder under names no other request object
// has.
TEST_F(Exchange, ExitCodeIsTheStatusAndOnlyThisRequestsAnswerIsTaken) {
    client.AnswerNothing(407);
    transport::SetProxyDialogFlag(true);
    EXPECT_THROW(CHttpRequestUtil(kUrl).Execute(), frame::CProxyLoginCancelException);
    EXPECT_TRUE(transport::GetProxyDialogFlag());
    std::thread([] { EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ExchangeMutex(), 0)); }).join();
    client.AnswerNothing(200);
    const std::string requestFile = win32::ToNarrow(NextFile(contract::kRequestFileFormat)),
                      responseFile = win32::ToNarrow(NextFile(contract::kResponseFileFormat));
    CHttpRequestUtil request(kUrl);
    request.SetParameter("A-Z_0.9 x~*/=&%\n", "first");
    request.SetParameter("z", 1);
    request.SetParameter("A-Z_0.9 x~*/=&%\n", "会社ID");
    request.SetParameter("a", "");
    ASSERT_TRUE(request.Execute().ok());
    EXPECT_EQ(
        "url:" + kUrl +
            "\nquery:A-Z_0.9+x%7E%2A%2F%3D%26%25%0A=%89%EF%8E%D0ID&z=1&a=&\nshowproxydlg:true\n",
        client.LastRequest());
    EXPECT_EQ(
        "\"" + client.File("pmqclient.exe") + "\" \"" + requestFile + "\" \"" + responseFile + "\"",
        ReadFileBytes(client.File("fakeclient-commandline.txt")));
    EXPECT_FALSE(transport::GetProxyDialogFlag());
    // The exit code is the status, 1234 the client's "no answer at all"; a code that is no HTTP
    // status (0, a crash's) fails with nothing taken. Only this request's answer is taken, its
    // lines joined: never one an exchange that died before reading it left (planted before each
    // row; "" answers nothing), nor one too large to be an answer. Whatever the outcome, neither
    // file is left.
    const std::tuple<DWORD, std::string, std::optional<int>, std::string> cases[] = {
        {0, "body", 5, ""},        {100, "body", {}, "body"},
        {399, "body", {}, "body"}, {400, "body", 5, "body"},
        {1233, "body", 5, ""},     {0xC0000005, "body", 5, ""},
        {1234, "body", 3, ""},     {200, "<a>\r\n b\n</a>\n", {}, "<a> b</a>"},
        {200, "", {}, ""},         {200, std::string((16 << 20) + 1, ' '), 3, ""}};
    for (const auto& [exitCode, body, error, answer] : cases) {
        SCOPED_TRACE(std::to_string(exitCode) + " " + body.substr(0, 9));
        body.empty() ? client.AnswerNothing(exitCode) : client.Answer(exitCode, body);
        win32::WriteWholeFile(NextFile(contract::kResponseFileFormat), "stale");
        const HttpUtility::ExchangeOutcome outcome = CHttpRequestUtil(kUrl).Execute();
        EXPECT_EQ(error, outcome.error);
        EXPECT_EQ(exitCode != 1234 ? exitCode : 0u, outcome.status);
        EXPECT_EQ(answer, outcome.answer);
    }
}

// A client that never ends is ended once the library's bound (shortened here) has passed: the
// request fails as one that ran out of time, and leaves no file behind (TearDown).
TEST_F(Exchange, AClientPastTheBoundIsEndedAndTheRequestFails) {
    client.Script("wait=pelmora-never-set\n");
    SetEnvironmentVariableA("PELMORA_CLIENT_WAIT_MS", "500");
    EXPECT_EQ(9, CHttpRequestUtil(kUrl).Execute().error);
    SetEnvironmentVariableA("PELMORA_CLIENT_WAIT_MS", nullptr);
    const std::string pid = ReadFileBytes(client.File("fakeclient-pid.txt"));
    const win32::KernelHandle process(
        pid.empty() ? nullptr : OpenProcess(SYNCHRONIZE, FALSE, std::stoul(pid)));
    EXPECT_TRUE(!process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0);
}

// The request holds the password: only this user (and the system) may read it or its folder,
// whatever the data folder grants; with no client to take it, or no file to hold it, it is not
// left behind. The proxy dialog's switch waits for a client that ran.
TEST_F(Exchange, RequestIsThisUsersAloneAndNeverLeftBehind) {
    client.Script("signal=pelmora-request-kept\nwait=pelmora-request-checked\n");
    const win32::KernelHandle kept(CreateEventA(nullptr, TRUE, FALSE, "pelmora-request-kept"));
    const win32::KernelHandle checked(
        CreateEventA(nullptr, TRUE, FALSE, "pelmora-request-checked"));
    std::thread exchange([] { CHttpRequestUtil(kUrl).Execute(); });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(kept.get(), 60000));
    const std::vector<std::wstring> files = ExchangeFolderFiles();
    const std::wstring folder = frame::GetExchangeDirectory();
    for (const std::wstring& path : {folder, files.empty() ? L"" : folder + L"\\" + files[0]})
        ExpectUsersAlone(path);
    SetEvent(checked.get());
    exchange.join();
    testing_support::HostLogFile log(logging::SetLogFile);
    // Its name held open by another: no file to hold the request.
    win32::FileHandle holder(CreateFileW(NextFile(contract::kRequestFileFormat).c_str(),
                                         GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                         FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    EXPECT_EQ(0, CHttpRequestUtil(kUrl).Execute().error);
    EXPECT_EQ(std::vector<std::string>{"4|2|ファイルの作成に失敗＞＜"}, log.Entries());
    holder.reset();
    client.RemoveClient();
    transport::SetProxyDialogFlag(true);
    EXPECT_EQ(7, CHttpRequestUtil(kUrl).Execute().error);
    EXPECT_EQ(std::vector<std::wstring>(), ExchangeFolderFiles());
    EXPECT_TRUE(transport::GetProxyDialogFlag());
}

// Files of a host killed mid-exchange go with the user's next exchange: their host's id belongs to
// no process now, or to one that started after they were written (an earlier process had the id).
// A running host's files, and files no exchange names, stay.
TEST_F(Exchange, FilesOfAKilledHostGoWithTheNextExchange) {
    win32::KernelHandle ended =
        testing_support::StartProcess("\"" + client.File("pmqclient.exe") + "\"");
    WaitForSingleObject(ended.get(), INFINITE);
    const std::wstring folder = frame::GetExchangeDirectory() + L"\\";
    const std::wstring gone = std::to_wstring(GetProcessId(ended.get()));
    const std::wstring self = std::to_wstring(GetCurrentProcessId());
    const std::vector<std::wstring> kept = {L"pmq-notes.txt", L"pmqrequest-" + self + L"-1-0.dat"};
    for (const std::wstring& name :
         {L"pmqrequest-" + gone + L"-1-1.dat", L"pmqresponse-" + gone + L"-1-1.xml",
          L"pmqresponse-" + self + L"-1-0.xml", kept[0], kept[1]})
        ASSERT_TRUE(win32::WriteWholeFile(folder + name, "x"));
    win32::FileHandle older(CreateFileW((folder + L"pmqresponse-" + self + L"-1-0.xml").c_str(),
                                        FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                        nullptr));
    const FILETIME longAgo{0, 0x01000000};
    ASSERT_TRUE(SetFileTime(older.get(), nullptr, nullptr, &longAgo));
    older.reset();
    EXPECT_TRUE(CHttpRequestUtil(kUrl).Execute().ok());
    EXPECT_EQ(kept, ExchangeFolderFiles());
    for (const std::wstring& name : kept) DeleteFileW((folder + name).c_str());
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
