// pmqclient.exe as the library starts it, then the login through the exports, against the local
// service that service-fixture.sh started, this prefix's proxy settings and the proxy dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>
#include <thread>

#include "HttpSender.h"
#include "ProxyDialogIds.h"
#include "ProxyStore.h"
#include "pelmora.h"
#include "storage/Crypt.h"
#include "support/DialogDriver.h"
#include "support/LogCapture.h"
#include "win32/Strings.h"

namespace {

using testing_support::FileExists;
using testing_support::ReadFileBytes;

std::string ServiceFile(const std::string& name) {
    const char* dir = std::getenv("PELMORA_E2E_SERVICE_DIR");
    return ReadFileBytes(std::string(dir ? dir : "") + "/" + name);
}
// "http", "proxy", "proxy2" (another network's proxy wanting the same user) or "https".
int Port(const char* listener) {
    return std::atoi(ServiceFile(std::string(listener) + ".port").c_str());
}
std::string ServiceUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(Port("http")) + path;
}
std::string TestUrl() {
    return ServiceUrl("/Pelmora/Pelmora/CheckSqlServerRunning");
}

// The service's JSON record after posting `form` to its control endpoint ("" on failure).
std::string Control(const std::string& form) {
    client::HttpSender sender(client::Timeouts{});
    return sender.Open(win32::ToWide(ServiceUrl("/_control")), true)
               ? sender.Send(form, nullptr).body
               : std::string();
}
bool Recorded(const std::string& json) {
    return Control("").find(json) != std::string::npos;
}
// How many named users the proxies refused since the last reset.
int RefusedOffers() {
    const std::string record = Control(""), mark = "\"refused\": true, \"proxy_user\": \"";
    int count = 0;
    for (size_t at = record.find(mark); at != std::string::npos; at = record.find(mark, at + 1))
        ++count;
    return count;
}
std::string ProxyUserFile() {
    return testing_support::DataFile("ProxyUser.dat");
}

// Answers the client's proxy dialog (keeping its message); false unless it appeared and closed.
bool AnswerProxyDialog(const std::wstring& user, const std::wstring& password, bool ok = true,
                       std::wstring* shownMessage = nullptr) {
    using testing_support::DialogDriver;
    HWND dialog = nullptr;  // visible only once its texts are set
    if (!testing_support::WaitUntil([&dialog] {
            dialog = FindWindowW(L"#32770", L"プロキシ認証");
            return dialog != nullptr && IsWindowVisible(dialog);
        }))
        return false;
    if (shownMessage) *shownMessage = DialogDriver::Text(GetDlgItem(dialog, IDC_PROXY_MESSAGE));
    DialogDriver::Type(dialog, IDC_PROXY_USER, user);
    DialogDriver::Type(dialog, IDC_PROXY_PASSWORD, password);
    PostMessageW(dialog, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    return testing_support::WaitUntil([dialog] { return !IsWindow(dialog); });
}

// This user's system proxies ("host:port;...") and bypass list while it lives, direct after:
// the blob WinHTTP reads (version, counter, flags, then proxies, bypass and script URL, each
// after its length, and reserved bytes).
struct SystemProxy {
    explicit SystemProxy(const std::string& proxies, const std::string& bypass = "") {
        Set(3, proxies, bypass);
    }
    ~SystemProxy() { Set(1, "", ""); }
    static void Set(DWORD flags, const std::string& proxies, const std::string& bypass) {
        auto field = [](const std::string& text) {
            const DWORD size = static_cast<DWORD>(text.size());
            return std::string(reinterpret_cast<const char*>(&size), sizeof size) + text;
        };
        const DWORD head[] = {0x46, 0, flags};
        const std::string blob = std::string(reinterpret_cast<const char*>(head), sizeof head) +
                                 field(proxies) + field(bypass) + field("") + std::string(32, '\0');
        RegSetKeyValueW(
            HKEY_CURRENT_USER,
            L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
            L"DefaultConnectionSettings", REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
    }
};

// A copy of the client in a fresh folder; service and saved proxy user reset around each test.
class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Port("http"), 0) << "the service fixture is not running";
        SystemProxy::Set(1, "", "");
        ASSERT_TRUE(CopyFileA((testing_support::ExecutableDirectory() + "\\pmqclient.exe").c_str(),
                              File("pmqclient.exe").c_str(), FALSE));
        TearDown();
    }
    void TearDown() override {
        Control("reset=1");
        DeleteFileA(ProxyUserFile().c_str());
    }
    std::string File(const char* name) const { return folder_.File(name); }

    DWORD Run(const std::string& url, const std::string& query = "", bool dialog = false) {
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
    std::string Response() const { return ReadFileBytes(File("pmqresponse.xml")); }

    testing_support::TempDirectory folder_;
};

TEST_F(ClientProcessTest, PostsParametersAsAFormAndLeavesTheBodyAsItCame) {
    EXPECT_EQ(Run(ServiceUrl("/Pelmora/Pelmora/Login"),
                  "%E4%BC%9A%E7%A4%BEID=DEMO001&%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89="
                  "wrong&"),
              200u);
    EXPECT_EQ(Response(),
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<Response>\r\n"
              "<Success>false</Success>\r\n<Error><Message>"
              "会社IDまたはパスワードが正しくありません。</Message></Error>\r\n</Response>\r\n");
    EXPECT_TRUE(
        Recorded(u8"\"method\": \"POST\", \"path\": \"/Pelmora/Pelmora/Login\", "
                 u8"\"query_in_url\": false, \"content_type\": "
                 u8"\"application/x-www-form-urlencoded\", \"params\": [\"パスワード\", "
                 u8"\"会社ID\"], \"company_id\": \"DEMO001\""));
}

// No query means a GET.
TEST_F(ClientProcessTest, ExitCodeIsTheStatusOr1234WithoutOne) {
    Control("down=1");
    EXPECT_EQ(Run(TestUrl()), 1234u) << "connection reset";
    Control("down=0&slow=1");
    SetEnvironmentVariableA("PMQCLIENT_TIMEOUT_MS", "1000");
    EXPECT_EQ(Run(TestUrl()), 1234u) << "timed out";
    SetEnvironmentVariableA("PMQCLIENT_TIMEOUT_MS", nullptr);
    for (const char* url : {"http://127.0.0.1:1/", "ftp://127.0.0.1/", ""})
        EXPECT_EQ(Run(url), 1234u) << "refused, not HTTP or empty: " << url;
    EXPECT_EQ(RunAsWritten(), 1234u) << "no request file";
    ASSERT_TRUE(testing_support::WriteFileBytes(File("pmqrequest.dat"), "not a request"));
    EXPECT_EQ(RunAsWritten(), 1234u) << "unreadable request file";
    EXPECT_FALSE(FileExists(File("pmqresponse.xml")));
    Control("reset=1");
    EXPECT_EQ(Run(TestUrl()), 200u);
    EXPECT_EQ(Response(), "true");
    EXPECT_TRUE(
        Recorded("\"method\": \"GET\", \"path\": \"/Pelmora/Pelmora/"
                 "CheckSqlServerRunning\", \"query_in_url\": false"));
    Control("status500=1");
    EXPECT_EQ(Run(TestUrl()), 500u);
    EXPECT_EQ(Response(), "Internal Server Error\n");
}

// Two networks' proxies wanting the same user: credentials offered to the wrong one get through.
class ClientProxyTest : public ClientProcessTest {
protected:
    DWORD RunThrough(const std::string& proxies, bool dialog = false,
                     const std::string& bypass = "", const std::string& url = TestUrl()) {
        SystemProxy proxy(proxies, bypass);
        return Run(url, "", dialog);
    }

    const std::string proxyA_ = "127.0.0.1:" + std::to_string(Port("proxy"));
    const std::string proxyB_ = "127.0.0.1:" + std::to_string(Port("proxy2"));
    const std::wstring addressA_ = win32::ToWide(proxyA_);
    client::ProxyStore store_{win32::ToWide(ProxyUserFile())};
};

// Without a dialog; a file naming no proxy goes to the first proxy that asks.
TEST_F(ClientProxyTest, SavedUserGoesOnlyToItsProxyAndIsDroppedOnceRefused) {
    const DWORD basic = WINHTTP_AUTH_SCHEME_BASIC, negotiate = WINHTTP_AUTH_SCHEME_NEGOTIATE;
    // A host without a dot: on the bypass list "<local>".
    const std::string local = "http://localhost:" + std::to_string(Port("http"));
    const std::string toLocal = ServiceUrl("/_redirect?to=") + local + "/_proxy_auth";
    const std::string test = TestUrl();
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
        {"then direct", kNone, L"", 0, "127.0.0.1:1 DIRECT", "", test, 200, false, 0},
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
        ASSERT_TRUE(c.saved == kForA ? store_.Save(addressA_, {L"proxyuser", c.password}, c.scheme)
                    : c.saved == kNoProxy
                        ? store_.SaveSealed(std::wstring(L"proxyuser") + L'\0' + c.password)
                        : true);
        EXPECT_EQ(RunThrough(c.proxies, false, c.bypass, c.url), c.exit);
        EXPECT_EQ(store_.Load().value_or(client::SavedProxyUser{}).proxy,
                  c.keptForA ? addressA_ : L"");
        EXPECT_EQ(RefusedOffers(), c.refused);
    }
}

// Never sending a refused set twice; the user it gets through with is saved.
TEST_F(ClientProxyTest, DialogAsksUntilAcceptedOrCancelled) {
    std::wstring first, again;
    std::thread user([&] {
        EXPECT_TRUE(AnswerProxyDialog(L"proxyuser", L"wrong", true, &first));
        EXPECT_TRUE(AnswerProxyDialog(L"proxyuser", L"wrong", true, &again));
        EXPECT_TRUE(AnswerProxyDialog(L"", L"", false));
    });
    // The proxy that asks is the one the request reached, past one that could not be.
    EXPECT_EQ(RunThrough("127.0.0.1:1;" + proxyA_, true), 407u);
    user.join();
    const std::wstring asks = L"プロキシ " + addressA_ + L" が認証を求めています。";
    EXPECT_EQ(first, asks);
    EXPECT_EQ(again, asks + L"\nユーザー名またはパスワードが違います。もう一度入力してください。");
    EXPECT_EQ(RefusedOffers(), 1);
    EXPECT_FALSE(FileExists(ProxyUserFile()));

    ASSERT_TRUE(store_.Save(addressA_, {L"proxyuser", L"old-pass"}, WINHTTP_AUTH_SCHEME_BASIC));
    first.clear();
    user = std::thread(
        [&] { EXPECT_TRUE(AnswerProxyDialog(L"proxyuser", L"proxy-pass", true, &first)); });
    EXPECT_EQ(RunThrough(proxyA_, true), 200u);
    user.join();
    EXPECT_EQ(first, again) << "the saved password was refused";
    EXPECT_EQ(RefusedOffers(), 2);
    EXPECT_EQ(store_.Load().value_or(client::SavedProxyUser{}).proxy, addressA_);
}

class LoginFlowTest : public ClientProcessTest {
protected:
    void SetUp() override {
        ClientProcessTest::SetUp();
        PeHmInitialize(0, 0, 0, 0);
        PeLmSubServerRelease();
        PeLmCurrentDirectorySet(folder_.path().c_str());
        PointAt(ServiceUrl(""));
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
    SystemProxy proxy("127.0.0.1:" + std::to_string(Port("proxy")));
    EXPECT_FALSE(Login());
    EXPECT_EQ(PeLmLastErrorGet(), 1000);
    EXPECT_TRUE(PeLmProxyUserDlgShow());
    std::thread user([] { EXPECT_TRUE(AnswerProxyDialog(L"proxyuser", L"proxy-pass")); });
    EXPECT_TRUE(Login());
    user.join();
    const std::string saved = ReadFileBytes(ProxyUserFile());
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
    PointAt("https://localhost:" + std::to_string(Port("https")));
    EXPECT_FALSE(Login()) << "a certificate nobody trusts must be refused";
    EXPECT_NE(testing_support::LastErrorMessage().find("(3)"), std::string::npos) << "no status";
    // Trusted in this prefix from now on: each service start makes a fresh certificate.
    const std::string der = ServiceFile("cert.der");
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(
        L"Root", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())));
    EXPECT_TRUE(Login());
    EXPECT_TRUE(Recorded("\"listener\": \"https\""));
}

}  // namespace
