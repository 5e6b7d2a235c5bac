// pmqclient.exe as the library starts it, then the login through the exports, against the local
// service that service-fixture.sh started, this prefix's proxy settings and the proxy dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "HttpSender.h"
#include "ProxyDialogIds.h"
#include "ProxyStore.h"
#include "pelmora.h"
#include "cipher/Crypt.h"
#include "support/DialogDriver.h"
#include "win32/Strings.h"

namespace {

using testing_support::FileExists;
using testing_support::ReadFileBytes;

std::string ServiceFile(const std::string& name) {
    const char* dir = std::getenv("PELMORA_E2E_SERVICE_DIR");
    return ReadFileBytes(std::string(dir ? dir : "") + "/" + name);
}
// "http", "proxy", "proxy2" (another network's proxy wanting the same user) or "https".
std::string Port(const char* listener) {
    return std::to_string(std::atoi(ServiceFile(std::string(listener) + ".port").c_str()));
}
std::string ServiceUrl(const std::string& path) {
    return "http://127.0.0.1:" + Port("http") + path;
}
const char kTestPath[] = "/Pelmora/Pelmora/CheckSqlServerRunning";

// The service's JSON record after posting `form` to its control endpoint ("" on failure).
std::string Control(const std::string& form) {
    client::HttpSender sender(client::Timeouts{});
    sender.Open(win32::ToWide(ServiceUrl("/_control")), true);
    return sender.Send(form, nullptr).body;
}
// How many named users the proxies refused since the last reset.
int RefusedOffers() {
    const std::string record = Control(""), mark = "\"refused\": true, \"proxy_user\": \"";
    int count = 0;
    for (size_t at = 0; (at = record.find(mark, at)) != std::string::npos; ++at) ++count;
    return count;
}

// Typed in place of a password: the dialog is left alone until it closes by itself.
const wchar_t kLeaveAlone[] = L"(left alone)";
const wchar_t kProxyDialogCaption[] = L"プロキシ認証";

// Types "proxyuser" and `password` into the client's proxy dialog, or cancels it without one;
// the message it showed, "" unless it appeared and closed.
std::wstring AnswerProxyDialog(const wchar_t* password) {
    using testing_support::DialogDriver;
    HWND dialog = nullptr;  // visible only once its texts are set
    if (!testing_support::WaitUntil([&dialog] {
            dialog = FindWindowW(L"#32770", kProxyDialogCaption);
            return dialog != nullptr && IsWindowVisible(dialog);
        }))
        return L"";
    const std::wstring shown = DialogDriver::Text(GetDlgItem(dialog, IDC_PROXY_MESSAGE));
    if (password == kLeaveAlone)
        return testing_support::WaitUntil([dialog] { return !IsWindow(dialog); }, 60000) ? shown
                                                                                         : L"";
    DialogDriver::Type(dialog, IDC_PROXY_USER, L"proxyuser");
    DialogDriver::Type(dialog, IDC_PROXY_PASSWORD, password ? password : L"");
    PostMessageW(dialog, WM_COMMAND, password ? IDOK : IDCANCEL, 0);
    return testing_support::WaitUntil([dialog] { return !IsWindow(dialog); }) ? shown : L"";
}

// This user's system proxies ("host:port;...", bypassing "<local>") while it lives, direct
// after: the blob WinHTTP reads (version, counter, flags, then proxies, bypass and script URL,
// each after its length, and reserved bytes).
struct SystemProxy {
    explicit SystemProxy(const std::string& proxies, const std::string& bypass = "<local>") {
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

// The service's certificate trusted in this prefix from now on (each service start makes a
// fresh one; Wine keeps trusting a root deleted from the store, so it is never taken back).
void TrustServiceCertificate() {
    const std::string der = ServiceFile("cert.der");
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(
        L"Root", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())));
}

// A copy of the client in a fresh folder; service and saved proxy user reset around each test.
class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Port("http"), "0") << "the service fixture is not running";
        SystemProxy::Set(1, "", "");
        ASSERT_TRUE(CopyFileA((testing_support::ExecutableDirectory() + "\\pmqclient.exe").c_str(),
                              File("pmqclient.exe").c_str(), FALSE));
        TearDown();
    }
    void TearDown() override {
        Control("reset=1");
        DeleteFileA(proxyUserFile_.c_str());
    }
    std::string File(const char* name) const { return folder_.File(name); }

    DWORD Run(const std::string& url, const std::string& query = "", bool dialog = false) {
        std::string cipher, plain = "url:" + url + "\nquery:" + query + "\nshowproxydlg:";
        EXPECT_TRUE(
            storage::CCrypt().Generate(cipher, plain + (dialog ? "true\n" : "false\n"), true));
        EXPECT_TRUE(testing_support::WriteFileBytes(File("pmqrequest.dat"), cipher));
        return RunAsWritten();
    }
    DWORD RunAsWritten() {
        const DWORD code = win32::AwaitExitCode(
            testing_support::StartProcess("\"" + File("pmqclient.exe") + "\"").get());
        EXPECT_FALSE(FileExists(File("pmqrequest.dat"))) << "the request outlived the exchange";
        return code;
    }

    testing_support::TempDirectory folder_;
    const std::string testUrl_ = ServiceUrl(kTestPath);
    const std::string proxyUserFile_ = testing_support::DataFile("ProxyUser.dat");
};

// 1234 when there is no status (refused, timed out). A form is posted, never put in the URL; no
// query means a GET.
TEST_F(ClientProcessTest, ExitCodeIsTheStatusOr1234AndTheBodyIsLeftAsItCame) {
    // Each step's time-out (a read) is shortened for "slow"; the run's deadline for "trickle",
    // whose every read is quick. A huge answer is not read to its end.
    const struct {
        const char *faults, *setting, *ms;
        std::string url, query;
        DWORD exit;
        const char *response, *recorded;  // the answer left; what the service recorded
    } cases[] = {
        {"", "", "", ServiceUrl("/"), "a=1&b=2", 200, "Pelmora local service\n",
         "\"method\": \"POST\", \"path\": \"/\", \"query_in_url\": false, \"content_type\": "
         "\"application/x-www-form-urlencoded\", \"params\": [\"a\", \"b\"]"},
        {"", "", "", testUrl_, "", 200, "true", "\"method\": \"GET\""},
        {"status500=1", "", "", testUrl_, "", 500, "Internal Server Error\n", nullptr},
        {"slow=1", "PMQCLIENT_TIMEOUT_MS", "1000", testUrl_, "", 1234, nullptr, nullptr},
        {"trickle=1", "PMQCLIENT_DEADLINE_MS", "1500", testUrl_, "", 1234, nullptr, nullptr},
        {"huge=1", "", "", testUrl_, "", 1234, nullptr, "\"huge_complete\": false"},
        {"", "", "", "http://127.0.0.1:1/", "", 1234, nullptr, nullptr},
        // A certificate nobody trusts yet (the proxy table below trusts it for this prefix).
        {"", "", "", "https://localhost:" + Port("https") + kTestPath, "", 1234, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + " " + c.url);
        Control(std::string("reset=1&") + c.faults);
        if (*c.setting) SetEnvironmentVariableA(c.setting, c.ms);
        DeleteFileA(File("pmqresponse.xml").c_str());
        EXPECT_EQ(Run(c.url, c.query), c.exit);
        if (*c.setting) SetEnvironmentVariableA(c.setting, nullptr);
        EXPECT_EQ(ReadFileBytes(File("pmqresponse.xml")), c.response ? c.response : "");
        EXPECT_TRUE(!c.recorded || testing_support::WaitUntil([&c] {
            return Control("").find(c.recorded) != std::string::npos;
        }));
    }
    ASSERT_TRUE(testing_support::WriteFileBytes(File("pmqrequest.dat"), "not a request"));
    EXPECT_EQ(RunAsWritten(), 1234u) << "unreadable request file";
    EXPECT_FALSE(FileExists(File("pmqresponse.xml")));
}

// Two networks' proxies wanting the same user: credentials offered to the wrong one get through.
// Only a 407 the proxy gave itself counts (a server behind it may answer 407 too, over HTTPS
// inside the tunnel). A file naming no proxy goes only to the user's own proxy and never as
// Basic; one saved under a scheme never goes in a weaker one. The dialog never sends a refused
// set twice, and closes by itself, its time not counted against the run's deadline.
TEST_F(ClientProcessTest, ProxyUserGoesOnlyToItsProxyIsDroppedOnceRefusedAndKeptSealed) {
    const std::string a = "127.0.0.1:" + Port("proxy"), b = "127.0.0.1:" + Port("proxy2");
    const std::wstring addressA = win32::ToWide(a);
    const std::wstring asks = L"プロキシ " + addressA + L" が認証を求めています。";
    const std::wstring again =
        asks + L"\nユーザー名またはパスワードが違います。もう一度入力してください。";
    const client::ProxyStore store(win32::ToWide(proxyUserFile_));
    const DWORD basic = WINHTTP_AUTH_SCHEME_BASIC, digest = WINHTTP_AUTH_SCHEME_DIGEST;
    // A host without a dot: on the bypass list "<local>".
    const std::string local = "http://localhost:" + Port("http") + "/_proxy_auth";
    const std::string toLocal = ServiceUrl("/_redirect?to=") + local, test = testUrl_;
    const std::string tunnel = "https://localhost:" + Port("https"), behind = "/_proxy_auth";
    struct Case {
        const char *what, *switches;  // the service's switches for the row
        const wchar_t* saved;  // the password saved for "proxyuser", bound to A by its scheme
        DWORD scheme;          // 0: an earliest release's file, bound to no proxy
        std::string proxies, url;
        bool dialog;
        std::vector<const wchar_t*> typed;  // in the dialog; nullptr cancels it
        DWORD exit;
        const wchar_t* keptFor;  // the proxy the file names after the run; nullptr: no file
        int refused;
    };
    const wchar_t *const right = L"proxy-pass", *const old = L"old-pass", *const none = nullptr,
                         *const A = addressA.c_str();
    // clang-format off
    const Case cases[] = {
        {"another proxy asks", "", right, basic, b, test, false, {}, 407, A, 0},
        {"its proxy accepts", "", right, basic, a, test, false, {}, 200, A, 0},
        {"its proxy refuses", "", old, basic, a, test, false, {}, 407, none, 1},
        {"Digest's never as Basic", "", right, digest, a, test, false, {}, 407, A, 0},
        {"earliest file never as Basic", "", right, 0, a, test, false, {}, 407, L"", 0},
        {"bypassed server asks", "", right, basic, a, local, true, {}, 407, A, 0},
        {"redirect to it", "", right, basic, a, toLocal, true, {}, 407, A, 0},
        {"server behind it asks", "", right, basic, a, ServiceUrl(behind), true, {}, 407, A, 0},
        // Wine's WinHTTP cannot answer a tunnel's own 407 (it goes on to the handshake and
        // fails): the tunnel opens without credentials, the server inside it asks.
        {"server in the tunnel asks", "open_tunnel=1", right, basic, a, tunnel + behind, true, {},
         407, A, 0},
        // The proxy named is the one the request reached, past one that could not be.
        {"cancelled", "", none, 0, "127.0.0.1:1;" + a, test, true, {L"x", L"x", nullptr}, 407,
         none, 1},
        {"typed once saved refused", "", old, basic, a, test, true, {right}, 200, A, 1},
        {"left alone", "", none, 0, a, test, true, {kLeaveAlone}, 407, none, 0},
    };
    // clang-format on
    // The dialog stays open longer than the run's deadline when nobody answers it.
    SetEnvironmentVariableA("PMQCLIENT_DEADLINE_MS", "8000");
    SetEnvironmentVariableA("PMQCLIENT_DIALOG_IDLE_MS", "10000");
    TrustServiceCertificate();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        ASSERT_TRUE(!c.saved ||
                    (c.scheme ? store.Save(addressA, {L"proxyuser", c.saved}, c.scheme)
                              : store.SaveSealed(std::wstring(L"proxyuser") + L'\0' + c.saved)));
        Control(c.switches);
        std::atomic<bool> ran{false}, unasked{true};
        std::thread user([&] {
            for (size_t i = 0; i < c.typed.size(); ++i)
                EXPECT_EQ(AnswerProxyDialog(c.typed[i]), i == 0 && !c.saved ? asks : again);
            for (; c.typed.empty() && !ran; Sleep(10))
                if (FindWindowW(L"#32770", kProxyDialogCaption)) unasked = false;
        });
        {
            // On the bypass list "<local>" the tunnel's "localhost" would go directly.
            const bool viaTunnel = c.url.compare(0, tunnel.size(), tunnel) == 0;
            SystemProxy proxy(c.proxies, viaTunnel ? "" : "<local>");
            EXPECT_EQ(Run(c.url, "", c.dialog), c.exit);
        }
        ran = true;
        user.join();
        EXPECT_TRUE(unasked) << "a dialog nobody asked for";
        const auto kept = store.Load();
        EXPECT_EQ(kept ? kept->proxy : L"(no file)", c.keptFor ? c.keptFor : L"(no file)");
        EXPECT_EQ(RefusedOffers(), c.refused);
        const std::string saved = ReadFileBytes(proxyUserFile_);
        EXPECT_EQ(saved.find("proxy-pass"), std::string::npos) << "kept readable";
        EXPECT_EQ(saved.find(std::string(reinterpret_cast<const char*>(L"proxy-pass"), 20)),
                  std::string::npos);
    }
    SetEnvironmentVariableA("PMQCLIENT_DEADLINE_MS", nullptr);
    SetEnvironmentVariableA("PMQCLIENT_DIALOG_IDLE_MS", nullptr);
}

using LoginFlowTest = ClientProcessTest;  // not run under the emulation (CMakeLists.txt)

// Japanese and reserved characters reach the service whole; the proxy user typed in the dialog
// the library asked for is the one it deletes.
TEST_F(LoginFlowTest, ThroughTheProxyOnceAskedForItsUser) {
    PeLmCurrentDirectorySet(folder_.path().c_str());
    PeLmTestUrlSet(testUrl_.c_str());
    PeLmLoginUrlSet(ServiceUrl("/Pelmora/Pelmora/Login").c_str());
    SystemProxy proxy("127.0.0.1:" + Port("proxy"));
    EXPECT_TRUE(PeLmProxyUserDlgShow());
    std::thread user([] { EXPECT_NE(AnswerProxyDialog(L"proxy-pass"), L""); });
    EXPECT_TRUE(PeLmLoginUserCreate("テスト商会", "パス 1234&=", "demo"));
    user.join();
    EXPECT_TRUE(PeLmProxyUserDelete());
    EXPECT_FALSE(PeLmProxyUserDelete());
}

}  // namespace
