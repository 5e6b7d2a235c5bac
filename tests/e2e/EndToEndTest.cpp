// The real client and library against the local service: pmqclient.exe on its own as the library
// starts it (a request file beside a copy of the program), then the silent login through the
// exports, directly, through the proxy and over HTTPS.
#include <windows.h>
#include <wincrypt.h>

#include <thread>

#include "ProxyStore.h"
#include "ServiceFixture.h"
#include "pelmora.h"
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
    e2e::Control("status500=1");
    EXPECT_EQ(Run(e2e::ServiceUrl(kTestPath), ""), 500u);
    EXPECT_EQ(Response(), "Internal Server Error\n");
}

// Two networks' proxies wanting the same user: credentials offered to the wrong one get through.
class ClientProxyTest : public ClientProcessTest {
protected:
    DWORD RunThrough(int proxyPort, bool dialog = false) {
        e2e::SystemProxy proxy(proxyPort);
        return Run(e2e::ServiceUrl(kTestPath), "", dialog);
    }
    static std::wstring Address(int port) { return L"127.0.0.1:" + std::to_wstring(port); }

    const int proxyA_ = e2e::Port("proxy");
    const int proxyB_ = e2e::Port("proxy2");
    client::ProxyStore store_{win32::ToWide(e2e::ProxyUserFile())};
};

// Without a dialog: the saved user goes only to the proxy that accepted it, once refused it is
// dropped, and the former file (which names no proxy) is offered to none and dropped.
TEST_F(ClientProxyTest, SavedUserGoesOnlyToItsProxyAndIsDroppedOnceRefused) {
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

// The dialog names the proxy and asks again after a refusal (saying so, and never sending a
// refused set twice) until the user cancels; the user it gets through with is saved.
TEST_F(ClientProxyTest, DialogAsksUntilAcceptedOrCancelled) {
    std::wstring first, again;
    std::thread user([&] {
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong", true, &first));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong", true, &again));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"", L"", false));
    });
    EXPECT_EQ(RunThrough(proxyA_, true), 407u);
    user.join();
    const std::wstring asks = L"プロキシ " + Address(proxyA_) + L" が認証を求めています。";
    EXPECT_EQ(first, asks);
    EXPECT_EQ(again, asks + L"\nユーザー名またはパスワードが違います。もう一度入力してください。");
    EXPECT_EQ(e2e::RefusedOffers(), 1);
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));

    ASSERT_TRUE(store_.Save(Address(proxyA_), {L"proxyuser", L"old-pass"}));
    first.clear();
    user = std::thread(
        [&] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass", true, &first)); });
    EXPECT_EQ(RunThrough(proxyA_, true), 200u);
    user.join();
    EXPECT_EQ(first, again) << "the saved password was refused";
    EXPECT_EQ(e2e::RefusedOffers(), 2);
    EXPECT_EQ(store_.Load().value_or(client::SavedProxyUser{}).proxy, Address(proxyA_));
}

BOOL Login(const char* company = "DEMO001", const char* password = "pelmora-demo") {
    return PeLmLoginUserCreate(company, password, "demo");
}

class LoginFlowTest : public e2e::ClientFolderTest {
protected:
    void SetUp() override {
        ClientFolderTest::SetUp();
        PeHmInitialize(0, 0, 0, 0);
        PeLmSubServerRelease();
        PeLmCurrentDirectorySet(folder_.path().c_str());
        PointAt(e2e::ServiceUrl(""));
    }
    static void PointAt(const std::string& base) {
        PeLmTestUrlSet((base + "/Pelmora/Pelmora/CheckSqlServerRunning").c_str());
        PeLmLoginUrlSet((base + "/Pelmora/Pelmora/Login").c_str());
    }
};

// Japanese and reserved characters reach the service whole. Behind the proxy, the user typed in
// the dialog the host asked for once is kept protected and serves the next login, until the host
// deletes it.
TEST_F(LoginFlowTest, DirectlyAndThroughTheProxyOnceAskedForItsUser) {
    EXPECT_TRUE(Login("テスト商会", "パス 1234&="));
    e2e::SystemProxy proxy(e2e::Port("proxy"));
    EXPECT_FALSE(Login());
    EXPECT_EQ(PeLmLastErrorGet(), 1000);
    EXPECT_TRUE(PeLmProxyUserDlgShow());
    std::thread user([] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass")); });
    EXPECT_TRUE(Login());
    user.join();
    const std::string saved = testing_support::ReadFileBytes(e2e::ProxyUserFile());
    ASSERT_FALSE(saved.empty());
    // Neither as typed nor as UTF-16.
    for (const auto& typed :
         {std::string("proxy-pass"), std::string(reinterpret_cast<const char*>(L"proxy-pass"), 20)})
        EXPECT_EQ(saved.find(typed), std::string::npos);
    EXPECT_TRUE(Login());
    EXPECT_TRUE(PeLmProxyUserDelete());
    EXPECT_FALSE(PeLmProxyUserDelete());
    EXPECT_FALSE(Login());
}

TEST_F(LoginFlowTest, LoginOverHttpsOnlyWithACertificateThisPrefixTrusts) {
    PointAt("https://localhost:" + std::to_string(e2e::Port("https")));
    EXPECT_FALSE(Login()) << "a certificate nobody trusts must be refused";
    char message[512] = "";
    PeLmLastErrorMessageGet(message, sizeof message);
    EXPECT_NE(std::string(message).find("(3)"), std::string::npos) << "no status at all";
    // Trusted in this prefix from now on: each start of the service makes a fresh certificate.
    const std::string der = e2e::ServiceFile("cert.der");
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(
        L"Root", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())));
    EXPECT_TRUE(Login());
    EXPECT_NE(e2e::Control("").find("\"listener\": \"https\""), std::string::npos);
}

}  // namespace
