// pmqclient.exe as the library starts it, then the login through the exports, against the service.
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
        const DWORD code = win32::AwaitExitCode(
            testing_support::StartProcess("\"" + File("pmqclient.exe") + "\"").get());
        EXPECT_FALSE(FileExists(File("pmqrequest.dat"))) << "the request outlived the exchange";
        return code;
    }
    std::string Response() const { return testing_support::ReadFileBytes(File("pmqresponse.xml")); }
};

// The body is left byte for byte as it came.
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

// No query means a GET.
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
    DWORD RunThrough(const std::string& proxies, bool dialog = false,
                     const std::string& bypass = "",
                     const std::string& url = e2e::ServiceUrl(kTestPath)) {
        e2e::SystemProxy proxy(proxies, bypass);
        return Run(url, "", dialog);
    }

    const std::string proxyA_ = "127.0.0.1:" + std::to_string(e2e::Port("proxy"));
    const std::string proxyB_ = "127.0.0.1:" + std::to_string(e2e::Port("proxy2"));
    const std::wstring addressA_ = win32::ToWide(proxyA_);
    client::ProxyStore store_{win32::ToWide(e2e::ProxyUserFile())};
};

// Without a dialog; a file naming no proxy goes to the first proxy that asks.
TEST_F(ClientProxyTest, SavedUserGoesOnlyToItsProxyAndIsDroppedOnceRefused) {
    const DWORD basic = WINHTTP_AUTH_SCHEME_BASIC, negotiate = WINHTTP_AUTH_SCHEME_NEGOTIATE;
    // A host without a dot: on the bypass list "<local>".
    const std::string local = "http://localhost:" + std::to_string(e2e::Port("http"));
    const std::string down = "127.0.0.1:1", test = e2e::ServiceUrl(kTestPath);
    const std::string toLocal = e2e::ServiceUrl("/_redirect?to=") + local + "/_proxy_auth";
    enum Saved { kNone, kForA, kNoProxy };
    struct Case {
        const char* what;
        Saved saved;
        const wchar_t* password;
        DWORD scheme;
        std::string proxies, bypass, url;
        DWORD exit;
        bool keptForA;
        int refused;
    };
    const Case cases[] = {
        {"another proxy asks", kForA, L"proxy-pass", basic, proxyB_, "", test, 407, true, 0},
        {"its proxy accepts", kForA, L"proxy-pass", basic, proxyA_, "", test, 200, true, 0},
        {"its proxy refuses", kForA, L"old-pass", basic, proxyA_, "", test, 407, false, 1},
        {"then direct", kNone, L"", 0, down + " DIRECT", "", test, 200, false, 0},
        {"earlier file, accepted", kNoProxy, L"proxy-pass", 0, proxyA_, "", test, 200, true, 0},
        {"earlier file, refused", kNoProxy, L"old-pass", 0, proxyA_, "", test, 407, false, 1},
        {"only Basic offered", kForA, L"proxy-pass", negotiate, proxyA_, "", test, 407, true, 0},
        {"bypassed server asks", kForA, L"proxy-pass", basic, proxyA_, "<local>",
         local + "/_proxy_auth", 407, true, 0},
        {"redirect to it", kForA, L"proxy-pass", basic, proxyA_, "<local>", toLocal, 407, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        const bool saved = c.saved == kForA
                               ? store_.Save(addressA_, {L"proxyuser", c.password}, c.scheme)
                           : c.saved == kNoProxy
                               ? store_.SaveSealed(std::wstring(L"proxyuser") + L'\0' + c.password)
                               : true;
        ASSERT_TRUE(saved);
        EXPECT_EQ(RunThrough(c.proxies, false, c.bypass, c.url), c.exit);
        EXPECT_EQ(store_.Load().value_or(client::SavedProxyUser{}).proxy,
                  c.keptForA ? addressA_ : L"");
        EXPECT_EQ(e2e::RefusedOffers(), c.refused);
    }
}

// Never sending a refused set twice; the user it gets through with is saved.
TEST_F(ClientProxyTest, DialogAsksUntilAcceptedOrCancelled) {
    std::wstring first, again;
    std::thread user([&] {
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong", true, &first));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"wrong", true, &again));
        EXPECT_TRUE(e2e::AnswerProxyDialog(L"", L"", false));
    });
    // The proxy that asks is the one the request reached, past one that could not be.
    EXPECT_EQ(RunThrough("127.0.0.1:1;" + proxyA_, true), 407u);
    user.join();
    const std::wstring asks = L"プロキシ " + addressA_ + L" が認証を求めています。";
    EXPECT_EQ(first, asks);
    EXPECT_EQ(again, asks + L"\nユーザー名またはパスワードが違います。もう一度入力してください。");
    EXPECT_EQ(e2e::RefusedOffers(), 1);
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));

    ASSERT_TRUE(store_.Save(addressA_, {L"proxyuser", L"old-pass"}, WINHTTP_AUTH_SCHEME_BASIC));
    first.clear();
    user = std::thread(
        [&] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass", true, &first)); });
    EXPECT_EQ(RunThrough(proxyA_, true), 200u);
    user.join();
    EXPECT_EQ(first, again) << "the saved password was refused";
    EXPECT_EQ(e2e::RefusedOffers(), 2);
    EXPECT_EQ(store_.Load().value_or(client::SavedProxyUser{}).proxy, addressA_);
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

    static BOOL Login(const char* company = "DEMO001", const char* password = "pelmora-demo") {
        return PeLmLoginUserCreate(company, password, "demo");
    }
};

// Japanese and reserved characters reach the service whole; the proxy user is kept protected.
TEST_F(LoginFlowTest, DirectlyAndThroughTheProxyOnceAskedForItsUser) {
    EXPECT_TRUE(Login("テスト商会", "パス 1234&="));
    e2e::SystemProxy proxy("127.0.0.1:" + std::to_string(e2e::Port("proxy")));
    EXPECT_FALSE(Login());
    EXPECT_EQ(PeLmLastErrorGet(), 1000);
    EXPECT_TRUE(PeLmProxyUserDlgShow());
    std::thread user([] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass")); });
    EXPECT_TRUE(Login());
    user.join();
    const std::string saved = testing_support::ReadFileBytes(e2e::ProxyUserFile());
    ASSERT_FALSE(saved.empty());
    const std::string utf16(reinterpret_cast<const char*>(L"proxy-pass"), 20);
    for (const std::string& typed : {std::string("proxy-pass"), utf16})
        EXPECT_EQ(saved.find(typed), std::string::npos) << "kept readable";
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
    // Trusted in this prefix from now on: each service start makes a fresh certificate.
    const std::string der = e2e::ServiceFile("cert.der");
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(
        L"Root", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())));
    EXPECT_TRUE(Login());
    EXPECT_NE(e2e::Control("").find("\"listener\": \"https\""), std::string::npos);
}

}  // namespace
