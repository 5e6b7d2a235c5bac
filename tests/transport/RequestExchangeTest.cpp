// One exchange end to end: the request the client program receives, how its exit code and
// answer come back, and the files left in the program directory.
#include <gtest/gtest.h>

#include <thread>

#include "fakeclient/ScriptedClient.h"
#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "storage/Crypt.h"
#include "support/HostLogFile.h"
#include "transport/HttpRequestUtil.h"
#include "transport/ProxyDialogFlag.h"
#include "transport/ResponseEnvelope.h"
#include "transport/TextConvert.h"

using HttpUtility::CHttpRequestUtil;
using testing_support::FileExists;
using testing_support::ReadFileBytes;

namespace {
const char* const kUrl = "https://127.0.0.1:8443/Pelmora/Pelmora/CheckSqlServerRunning";

std::string RequestWithQuery(const std::string& query, const char* proxy = "false") {
    return std::string("url:") + kUrl + "\nquery:" + query + "\nshowproxydlg:" + proxy + "\n";
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override { transport::SetProxyDialogFlag(false); }
    void TearDown() override { transport::SetProxyDialogFlag(false); }

    // The query as the client received it, for one parameter.
    std::string SentQuery(const std::string& name, const std::string& value,
                          CHttpRequestUtil::Converter converter = nullptr) {
        CHttpRequestUtil request(kUrl);
        request.SetConverter(converter);
        request.SetParameter(name, value);
        EXPECT_TRUE(request.Execute());
        std::string sent = client.LastRequest();
        size_t start = sent.find("query:") + 6;
        return sent.substr(start, sent.find('\n', start) - start);
    }

    testing_support::ScriptedClientDirectory client;
};
}  // namespace

// The request is three lines each ending in a line feed, left encrypted in the program
// directory; the client gets its own path and nothing else on its command line.
TEST_F(Exchange, RequestIsThreeLinesStoredEncryptedAndTheClientGetsOnlyItsPath) {
    client.AnswerNothing(200);
    ASSERT_TRUE(CHttpRequestUtil(kUrl).Execute());
    EXPECT_EQ(RequestWithQuery(""), client.LastRequest());
    const std::string stored = ReadFileBytes(client.File("pmqrequest.dat"));
    std::string plain;
    ASSERT_TRUE(storage::CCrypt().Generate(plain, stored, false));
    EXPECT_EQ(RequestWithQuery(""), plain);
    EXPECT_NE(plain, stored);
    EXPECT_EQ("\"" + client.File("pmqclient.exe") + "\"",
              ReadFileBytes(client.File("fakeclient-commandline.txt")));
}

TEST_F(Exchange, ParametersArePercentEncoded) {
    client.AnswerNothing(200);
    EXPECT_EQ("a+b=x%7Ey&", SentQuery("a b", "x~y"));
    EXPECT_EQ("v=A-Z_0.9&", SentQuery("v", "A-Z_0.9"));
    EXPECT_EQ("empty=&", SentQuery("empty", ""));
    EXPECT_EQ("p=%2A%2F%3D%26%25%0A&", SentQuery("p", "*/=&%\n"));
    // Without a converter the code-page bytes go out; with ConvertToUtf8 the UTF-8 bytes.
    EXPECT_EQ("%89%EF%8E%D0ID=1&", SentQuery("会社ID", "1"));
    EXPECT_EQ("%E4%BC%9A%E7%A4%BEID=%E3%83%91&",
              SentQuery("会社ID", "パ", transport::ConvertToUtf8));
}

TEST_F(Exchange, QueryHoldsEachNameOnceWithItsLastValue) {
    CHttpRequestUtil request(kUrl);
    request.SetParameter("n", "first");
    request.SetParameter("n", -42);
    request.SetParameter("m", "x");
    std::string query = request.BuildQuery();
    EXPECT_EQ(std::string("n=-42&m=x&").size(), query.size());
    EXPECT_NE(std::string::npos, query.find("n=-42&"));
    EXPECT_NE(std::string::npos, query.find("m=x&"));
}

TEST_F(Exchange, ExitCodeIsTheStatusAndDecidesTheResult) {
    struct Case {
        DWORD exitCode;
        bool result;
        int errorCode;
    };
    for (Case c : {Case{0, true, 0}, Case{199, true, 0}, Case{200, true, 0}, Case{302, true, 0},
                   Case{399, true, 0}, Case{400, false, 5}, Case{404, false, 5},
                   Case{1233, false, 5}, Case{1234, false, 3}, Case{0xFFFFFFFE, false, 5}}) {
        client.Answer(c.exitCode, "body");
        CHttpRequestUtil request(kUrl);
        EXPECT_EQ(c.result, request.Execute()) << c.exitCode;
        EXPECT_EQ(c.errorCode, request.GetErrorCode()) << c.exitCode;
        // 1234 is the client's word for "no answer at all": no status, and its file is ignored.
        const bool answered = c.exitCode != 1234;
        EXPECT_EQ(answered ? c.exitCode : 0u, request.GetStatusCode());
        EXPECT_EQ(answered ? "body" : "", request.GetResponse()) << c.exitCode;
    }
}

TEST_F(Exchange, ProxyDemandThrowsReleasesTheLockAndKeepsTheDialogFlag) {
    client.AnswerNothing(407);
    transport::SetProxyDialogFlag(true);
    CHttpRequestUtil request(kUrl);
    EXPECT_THROW(request.Execute(), frame::CProxyLoginCancelException);
    EXPECT_TRUE(transport::GetProxyDialogFlag());  // the next exchange asks again
    DWORD wait = WAIT_FAILED;
    std::thread([&] {
        wait = WaitForSingleObject(HttpUtility::ExchangeMutex(), 0);
        if (wait == WAIT_OBJECT_0) ReleaseMutex(HttpUtility::ExchangeMutex());
    }).join();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), wait);
}

TEST_F(Exchange, AnswerLinesAreJoinedAndTheResponseFileDeleted) {
    client.Answer(200, "<Response>\r\n  <Success>TRUE</Success>\n</Response>\n");
    CHttpRequestUtil request(kUrl);
    ASSERT_TRUE(request.Execute());
    EXPECT_EQ("<Response>  <Success>TRUE</Success></Response>", request.GetResponse());
    EXPECT_FALSE(FileExists(client.File("pmqresponse.xml")));
    EXPECT_TRUE(transport::JudgeResponse(request.GetResponse()).accepted);
}

TEST_F(Exchange, NoResponseFileGivesEmptyResponseNotAnotherExchangesAnswer) {
    client.AnswerNothing(200);
    // Left behind by an exchange whose process died before reading it.
    testing_support::WriteFileBytes(client.File("pmqresponse.xml"), "stale");
    CHttpRequestUtil request(kUrl);
    EXPECT_TRUE(request.Execute());
    EXPECT_EQ("", request.GetResponse());
}

TEST_F(Exchange, ProxyDialogIsAskedForOnceThenNot) {
    client.AnswerNothing(200);
    transport::SetProxyDialogFlag(true);
    ASSERT_TRUE(CHttpRequestUtil(kUrl).Execute());
    EXPECT_EQ(RequestWithQuery("", "true"), client.LastRequest());
    EXPECT_FALSE(transport::GetProxyDialogFlag());
    ASSERT_TRUE(CHttpRequestUtil(kUrl).Execute());
    EXPECT_EQ(RequestWithQuery("", "false"), client.LastRequest());
}

TEST_F(Exchange, ClientThatDoesNotRunGivesErrorSevenAndLeavesNoRequestBehind) {
    // Missing, and present but not startable (a folder in its place).
    for (bool startable : {false, true}) {
        client.RemoveClient();
        if (startable) CreateDirectoryA(client.File("pmqclient.exe").c_str(), nullptr);
        transport::SetProxyDialogFlag(true);
        CHttpRequestUtil request(kUrl);
        request.SetParameter("パスワード", "secret");
        EXPECT_FALSE(request.Execute());
        EXPECT_EQ(7, request.GetErrorCode());
        EXPECT_EQ(0u, request.GetStatusCode());
        // The request holds the password: with no client to take it, it must not stay on disk.
        EXPECT_FALSE(FileExists(client.File("pmqrequest.dat")));
        EXPECT_TRUE(transport::GetProxyDialogFlag());
    }
}

TEST_F(Exchange, UnwritableRequestFileFailsWithALogEntryAndNoCode) {
    testing_support::HostLogFile log(logging::SetLogFile);
    frame::SetProgramDirectoryOverride((client.path() + "\\missing").c_str());
    CHttpRequestUtil request(kUrl);
    EXPECT_FALSE(request.Execute());
    EXPECT_EQ(0, request.GetErrorCode());
    EXPECT_EQ(0u, request.GetStatusCode());
    std::string line = log.Raw();
    EXPECT_NE(std::string::npos, line.find("\t4\t\"    ファイルの作成に失敗＞＜\"\n")) << line;
}
