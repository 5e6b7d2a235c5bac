// pmqclient.exe on its own, as the library starts it: a request file beside a copy of the
// program, a real child process, the local service over loopback HTTP.
#include <thread>

#include "ProxyStore.h"
#include "ServiceFixture.h"
#include "storage/Crypt.h"
#include "win32/Strings.h"

namespace {

using testing_support::FileExists;

const char kTestPath[] = "/Pelmora/Pelmora/CheckSqlServerRunning";

class ClientProcessTest : public e2e::ClientFolderTest {
protected:
    DWORD Run(const std::string& url, const std::string& query, bool dialog = false) {
        std::string cipher;
        EXPECT_TRUE(storage::CCrypt().Generate(
            cipher,
            "url:" + url + "\nquery:" + query + "\nshowproxydlg:" + (dialog ? "true\n" : "false\n"),
            true));
        EXPECT_TRUE(testing_support::WriteFileBytes(File("pmqrequest.dat"), cipher));
        return RunAsWritten();
    }

    DWORD RunAsWritten() {
        const DWORD code = testing_support::RunProcess("\"" + File("pmqclient.exe") + "\"");
        EXPECT_FALSE(FileExists(File("pmqrequest.dat")))
            << "the request file outlived the exchange";
        return code;
    }

    std::string Response() const { return testing_support::ReadFileBytes(File("pmqresponse.xml")); }
};

// Parameters travel as a form, never in the URL; the body is left byte for byte as it came.
TEST_F(ClientProcessTest, PostsParametersAsAFormAndLeavesTheBodyAsItCame) {
    EXPECT_EQ(Run(e2e::ServiceUrl("/Pelmora/Pelmora/Login"),
                  "%E4%BC%9A%E7%A4%BEID=DEMO001&%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89="
                  "wrong&"),
              200u);
    EXPECT_EQ(Response(),
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<Response>\r\n"
              "<Success>false</Success>\r\n<Error><Message>"
              "会社IDまたはパスワードが正しくありません。</Message></Error>\r\n</Response>\r\n");
    EXPECT_NE(e2e::Control("").find(
                  u8"\"method\": \"POST\", \"path\": \"/Pelmora/Pelmora/Login\", \"query_in_url\": "
                  u8"false, \"content_type\": \"application/x-www-form-urlencoded\", \"params\": "
                  u8"[\"パスワード\", \"会社ID\"], \"company_id\": \"DEMO001\""),
              std::string::npos);
}

// The exit code is the status, or 1234 without one (no answer left); no query means a GET.
TEST_F(ClientProcessTest, ExitCodeIsTheStatusOr1234WithoutOne) {
    e2e::Control("down=1");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 1234u) << "connection reset";
    e2e::Control("down=0&slow=1");
    SetEnvironmentVariableA("PMQCLIENT_TIMEOUT_MS", "1000");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 1234u) << "timed out";
    SetEnvironmentVariableA("PMQCLIENT_TIMEOUT_MS", nullptr);
    EXPECT_EQ(Run("http://127.0.0.1:1/", ""), 1234u) << "connection refused";
    EXPECT_EQ(Run("ftp://127.0.0.1/", ""), 1234u) << "not HTTP";
    EXPECT_EQ(Run("", ""), 1234u) << "empty URL";
    EXPECT_EQ(RunAsWritten(), 1234u) << "no request file";
    ASSERT_TRUE(testing_support::WriteFileBytes(File("pmqrequest.dat"), "not a request"));
    EXPECT_EQ(RunAsWritten(), 1234u) << "unreadable request file";
    EXPECT_FALSE(FileExists(File("pmqresponse.xml")));
    e2e::Control("reset=1");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 200u);
    EXPECT_EQ(Response(), "true");
    EXPECT_NE(e2e::Control("").find("\"method\": \"GET\", \"path\": \"/Pelmora/Pelmora/"
                                    "CheckSqlServerRunning\", \"query_in_url\": false"),
              std::string::npos);
    EXPECT_EQ(Run(e2e::ServiceUrl("/no/such/endpoint"), ""), 404u);
    e2e::Control("status500=1");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 500u);
    EXPECT_EQ(Response(), "Internal Server Error\n");
}

// Two networks' proxies: the service's two proxy listeners, both wanting the same user, so
// that credentials offered to the wrong one would get through and show.
class ClientProxyTest : public ClientProcessTest {
protected:
    DWORD RunThrough(int proxyPort, bool dialog = false) {
        e2e::SystemProxy proxy(proxyPort);
        return Run(e2e::ServiceUrl(kTestPath), "", dialog);
    }
    // The user answers the proxy dialog on another thread; the message it showed.
    DWORD RunWithDialog(int proxyPort, std::wstring& shown) {
        std::thread user([&] {
            EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass", true, &shown));
        });
        const DWORD code = RunThrough(proxyPort, true);
        user.join();
        return code;
    }
    static std::wstring Address(int port) { return L"127.0.0.1:" + std::to_wstring(port); }

    const int proxyA_ = e2e::Port("proxy");
    const int proxyB_ = e2e::Port("proxy2");
    client::ProxyStore store_{win32::ToWide(e2e::ProxyUserFile())};
};

// Without a dialog: the saved user goes only to the proxy that accepted it, once refused it is
// dropped, and the former file (which names no proxy) is offered to none and dropped.
TEST_F(ClientProxyTest, SavedUserGoesOnlyToItsProxyAndIsDroppedOnceRefused) {
    ASSERT_NE(proxyB_, 0) << "the second proxy is not running";
    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"proxy-pass"}));
    EXPECT_EQ(RunThrough(proxyB_), 407u);
    EXPECT_EQ(RunThrough(proxyA_), 200u);
    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"old-pass"}));
    EXPECT_EQ(RunThrough(proxyA_), 407u);
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));
    ASSERT_TRUE(store_.SaveSealed(std::wstring(L"proxyuser") + L'\0' + L"proxy-pass"));
    EXPECT_EQ(RunThrough(proxyA_), 407u);
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));
    EXPECT_EQ(e2e::RefusedOffers(), 1);
}

// The dialog names the proxy, asks again after refused credentials (never sending a refused
// set twice) and the saved password's refusal, and binds the user typed to the proxy.
TEST_F(ClientProxyTest, DialogAsksUntilAcceptedOrCancelledAndBindsTheUserToTheProxy) {
    std::thread user([] {
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong"));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong"));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"", L"", false));
    });
    EXPECT_EQ(RunThrough(proxyA_, true), 407u);
    user.join();
    EXPECT_EQ(e2e::RefusedOffers(), 1);
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));

    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"old-pass"}));
    std::wstring shown;
    EXPECT_EQ(RunWithDialog(proxyA_, shown), 200u);
    EXPECT_EQ(shown, L"プロキシ " + Address(proxyA_) +
                         L" が認証を求めています。\nユーザー名またはパスワードが違います。"
                         L"もう一度入力してください。");
    EXPECT_EQ(RunWithDialog(proxyB_, shown), 200u);
    EXPECT_EQ(shown, L"プロキシ " + Address(proxyB_) + L" が認証を求めています。");
    EXPECT_EQ(e2e::RefusedOffers(), 2);
    const auto saved = store_.Load();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->proxy, Address(proxyB_));
}

}  // namespace
