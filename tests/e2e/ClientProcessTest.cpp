// pmqclient.exe on its own, as the library starts it: a request file beside a copy of the
// program, a real child process, the local service over loopback HTTP.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "ProxyStore.h"
#include "ServiceFixture.h"
#include "frame/ClientContract.h"
#include "storage/Crypt.h"
#include "support/TestSupport.h"
#include "win32/Strings.h"

namespace {

using testing_support::FileExists;
using testing_support::ReadFileBytes;

const char kLoginPath[] = "/Pelmora/Pelmora/Login";
const char kTestPath[] = "/Pelmora/Pelmora/CheckSqlServerRunning";
const char kDemoForm[] =
    "%E4%BC%9A%E7%A4%BEID=DEMO001&%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89=pelmora-demo&";
const char kWrongForm[] =
    "%E4%BC%9A%E7%A4%BEID=DEMO001&%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89=wrong&";
constexpr DWORD kNoStatus = contract::kExitNoStatus;

class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(e2e::Port("http"), 0) << "the service fixture is not running";
        ASSERT_TRUE(CopyFileA(
            (testing_support::ExecutableDirectory() + "\\" + contract::kClientProgram).c_str(),
            dir_.File(contract::kClientProgram).c_str(), FALSE));
        e2e::Control("reset=1");
        DeleteFileA(e2e::ProxyUserFile().c_str());
    }
    void TearDown() override {
        e2e::Control("reset=1");
        DeleteFileA(e2e::ProxyUserFile().c_str());
    }

    void WriteRequest(const std::string& url, const std::string& query, bool dialog = false) {
        std::string cipher;
        const std::string text = contract::kUrlKey + url + "\n" + contract::kQueryKey + query +
                                 "\n" + contract::kShowProxyDialogKey +
                                 (dialog ? "true" : "false") + "\n";
        ASSERT_TRUE(storage::CCrypt().Generate(cipher, text, true));
        ASSERT_TRUE(testing_support::WriteFileBytes(dir_.File(contract::kRequestFile), cipher));
    }

    DWORD Run(const std::string& url, const std::string& query, bool dialog = false) {
        WriteRequest(url, query, dialog);
        return RunAsWritten();
    }

    DWORD RunAsWritten() {
        const DWORD code =
            testing_support::RunProcess("\"" + dir_.File(contract::kClientProgram) + "\"");
        EXPECT_FALSE(FileExists(dir_.File(contract::kRequestFile)))
            << "the request file outlived the exchange";
        return code;
    }

    std::string Response() const { return ReadFileBytes(dir_.File(contract::kResponseFile)); }

    testing_support::TempDirectory dir_;
};

TEST_F(ClientProcessTest, PostsParametersAsFormAndLeavesTheBodyAsItCame) {
    EXPECT_EQ(Run(e2e::ServiceUrl(kLoginPath), kDemoForm), 200u);
    EXPECT_EQ(Response(),
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<Response>\r\n"
              "<Success>true</Success>\r\n</Response>\r\n");
    const std::string record = e2e::Control("");
    EXPECT_NE(record.find("\"method\": \"POST\""), std::string::npos) << record;
    EXPECT_NE(record.find("\"query_in_url\": false"), std::string::npos) << record;
    EXPECT_NE(record.find("application/x-www-form-urlencoded"), std::string::npos) << record;

    EXPECT_EQ(Run(e2e::ServiceUrl(kLoginPath), kWrongForm), 200u);
    EXPECT_NE(Response().find("会社IDまたはパスワードが正しくありません。"), std::string::npos)
        << "the Shift_JIS message must arrive byte for byte";
}

TEST_F(ClientProcessTest, EmptyQueryIsAPlainGetAndErrorStatusesBecomeTheExitCode) {
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 200u);
    EXPECT_EQ(Response(), "true");
    EXPECT_NE(e2e::Control("").find("\"method\": \"GET\""), std::string::npos);
    EXPECT_EQ(Run(e2e::ServiceUrl("/no/such/endpoint"), ""), 404u);
    e2e::Control("status500=1");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 500u);
    EXPECT_EQ(Response(), "Internal Server Error\n");
}

TEST_F(ClientProcessTest, NoStatusGives1234) {
    e2e::Control("down=1");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), kNoStatus) << "connection reset";
    e2e::Control("down=0&slow=1");
    SetEnvironmentVariableA("PMQCLIENT_TIMEOUT_MS", "1000");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), kNoStatus) << "timed out";
    SetEnvironmentVariableA("PMQCLIENT_TIMEOUT_MS", nullptr);
    EXPECT_EQ(Run("http://127.0.0.1:1/", ""), kNoStatus) << "connection refused";
    EXPECT_EQ(Run("ftp://127.0.0.1/", ""), kNoStatus) << "not HTTP";
    EXPECT_EQ(Run("", ""), kNoStatus) << "empty URL";
    EXPECT_EQ(RunAsWritten(), kNoStatus) << "no request file";
    ASSERT_TRUE(
        testing_support::WriteFileBytes(dir_.File(contract::kRequestFile), "not a request"));
    EXPECT_EQ(RunAsWritten(), kNoStatus) << "unreadable request file";
    EXPECT_FALSE(FileExists(dir_.File(contract::kResponseFile)));
}

// Two networks' proxies: the service's two proxy listeners, both wanting the same user, so
// that credentials offered to the wrong one would get through and show.
class ClientProxyTest : public ClientProcessTest {
protected:
    DWORD RunThrough(int proxyPort, bool dialog = false) {
        e2e::SystemProxy proxy(proxyPort);
        return Run(e2e::ServiceUrl(kTestPath), "", dialog);
    }
    static std::wstring Address(int port) { return L"127.0.0.1:" + std::to_wstring(port); }
    static std::wstring Asks(int port) {
        return L"プロキシ " + Address(port) + L" が認証を求めています。";
    }

    const int proxyA_ = e2e::Port("proxy");
    const int proxyB_ = e2e::Port("proxy2");
    const std::wstring refused_ =
        L"\nユーザー名またはパスワードが違います。もう一度入力してください。";
    client::ProxyStore store_{win32::ToWide(e2e::ProxyUserFile())};
};

TEST_F(ClientProxyTest, SavedUserGoesOnlyToTheProxyThatAcceptedIt) {
    ASSERT_NE(proxyB_, 0) << "the second proxy is not running";
    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"proxy-pass"}));
    EXPECT_EQ(RunThrough(proxyB_), contract::kExitProxyAuthRequired) << "no dialog asked for";
    EXPECT_EQ(e2e::ProxyOffers("proxy2"), "");
    EXPECT_EQ(RunThrough(proxyA_), 200u);
    EXPECT_EQ(e2e::ProxyOffers("proxy"), "proxyuser accepted");

    // The former file names no proxy: offered to none, and dropped.
    ASSERT_TRUE(store_.SaveSealed(std::wstring(L"proxyuser") + L'\0' + L"proxy-pass"));
    EXPECT_EQ(RunThrough(proxyA_), contract::kExitProxyAuthRequired);
    EXPECT_EQ(e2e::ProxyOffers("proxy"), "proxyuser accepted");
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));
}

TEST_F(ClientProxyTest, RefusedSavedUserIsDroppedAfterOneTry) {
    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"old-pass"}));
    EXPECT_EQ(RunThrough(proxyA_), contract::kExitProxyAuthRequired);
    EXPECT_EQ(e2e::ProxyOffers("proxy"), "proxyuser refused");
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));
}

TEST_F(ClientProxyTest, DialogNamesTheProxyAndTypedUserIsBoundToIt) {
    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"old-pass"}));
    std::wstring shown;
    std::thread user(
        [&] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass", true, &shown)); });
    EXPECT_EQ(RunThrough(proxyA_, true), 200u);
    user.join();
    EXPECT_EQ(shown, Asks(proxyA_) + refused_) << "the saved password was refused";
    EXPECT_EQ(e2e::ProxyOffers("proxy"), "proxyuser refused, proxyuser accepted");

    // Another network: its proxy is named, and the user typed there replaces the saved one.
    user = std::thread(
        [&] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass", true, &shown)); });
    EXPECT_EQ(RunThrough(proxyB_, true), 200u);
    user.join();
    EXPECT_EQ(shown, Asks(proxyB_));
    EXPECT_EQ(e2e::ProxyOffers("proxy2"), "proxyuser accepted");
    const auto saved = store_.Load();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->proxy, Address(proxyB_));
}

TEST_F(ClientProxyTest, RefusedDialogCredentialsAskAgainAndCancelGives407) {
    std::thread user([] {
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong"));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong"));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"", L"", false));
    });
    EXPECT_EQ(RunThrough(proxyA_, true), contract::kExitProxyAuthRequired);
    user.join();
    EXPECT_EQ(e2e::ProxyOffers("proxy"), "proxyuser refused")
        << "a refused set is never sent twice";
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));
}

}  // namespace
