// The silent login from end to end: the real library starts the real client, which talks to
// the local service (directly, through the proxy, or over HTTPS).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "ServiceFixture.h"
#include "frame/ClientContract.h"
#include "pelmora.h"
#include "support/TestSupport.h"

namespace {

using testing_support::FileExists;

class LoginFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(e2e::Port("http"), 0) << "the service fixture is not running";
        ASSERT_TRUE(CopyFileA(
            (testing_support::ExecutableDirectory() + "\\" + contract::kClientProgram).c_str(),
            dir_.File(contract::kClientProgram).c_str(), FALSE));
        PeHmInitialize(0, 0, 0, 0);
        PeLmSubServerRelease();
        PeLmCurrentDirectorySet(dir_.path().c_str());
        PointAt(e2e::ServiceUrl(""));
        e2e::Control("reset=1");
        PeLmProxyUserDelete();
    }
    void TearDown() override {
        e2e::Control("reset=1");
        PeLmProxyUserDelete();
        PeLmCurrentDirectorySet(nullptr);
        PeLmLoginUserDelete();
    }

    static void PointAt(const std::string& base) {
        PeLmTestUrlSet((base + "/Pelmora/Pelmora/CheckSqlServerRunning").c_str());
        PeLmLoginUrlSet((base + "/Pelmora/Pelmora/Login").c_str());
    }

    BOOL Login(const char* company = "DEMO001", const char* password = "pelmora-demo") {
        const BOOL result = PeLmLoginUserCreate(company, password, "demo");
        EXPECT_FALSE(FileExists(dir_.File(contract::kRequestFile))) << "request file left behind";
        EXPECT_FALSE(FileExists(dir_.File(contract::kResponseFile))) << "response file left behind";
        return result;
    }

    static std::string LastMessage() {
        char message[512] = "";
        PeLmLastErrorMessageGet(message, sizeof message);
        return message;
    }

    testing_support::TempDirectory dir_;
};

TEST_F(LoginFlowTest, ServiceAcceptsAndRefuses) {
    EXPECT_TRUE(Login());
    EXPECT_TRUE(Login("テスト商会", "パス 1234&=")) << "Japanese and reserved characters survive";
    EXPECT_FALSE(Login("DEMO001", "wrong"));
    EXPECT_EQ(PeLmLastErrorGet(), 1002);
    EXPECT_EQ(LastMessage(), "ログインに失敗しました");
}

TEST_F(LoginFlowTest, ProxyAsksOnceThenTheSavedUserServes) {
    e2e::SystemProxy proxy(e2e::Port("proxy"));
    EXPECT_FALSE(Login());
    EXPECT_EQ(PeLmLastErrorGet(), 1000);
    EXPECT_EQ(LastMessage(), "プロキシ認証が必要です");
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));

    EXPECT_TRUE(PeLmProxyUserDlgShow());
    std::thread user([] { EXPECT_TRUE(e2e::AnswerProxyDialog(L"proxyuser", L"proxy-pass")); });
    EXPECT_TRUE(Login());
    user.join();
    // Kept protected: the password is in the file neither as it was typed nor as UTF-16.
    const std::string saved = testing_support::ReadFileBytes(e2e::ProxyUserFile());
    ASSERT_FALSE(saved.empty());
    const std::wstring typed = L"proxy-pass";
    EXPECT_EQ(saved.find("proxy-pass"), std::string::npos);
    EXPECT_EQ(saved.find(std::string(reinterpret_cast<const char*>(typed.data()),
                                     typed.size() * sizeof(wchar_t))),
              std::string::npos);

    // A dialog now would be a fault: cancel any that shows up and say so.
    std::atomic<bool> done{false}, dialogShown{false};
    std::thread watcher([&] {
        testing_support::WaitUntil(
            [&] {
                if (HWND dialog = FindWindowW(L"#32770", L"プロキシ認証")) {
                    dialogShown = true;
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                }
                return done.load();
            },
            INFINITE);
    });
    EXPECT_TRUE(Login());
    done = true;
    watcher.join();
    EXPECT_FALSE(dialogShown);

    EXPECT_TRUE(PeLmProxyUserDelete());
    EXPECT_FALSE(FileExists(e2e::ProxyUserFile()));
    EXPECT_FALSE(PeLmProxyUserDelete());
}

TEST_F(LoginFlowTest, LoginOverHttpsOnlyWithACertificateThisPrefixTrusts) {
    if (e2e::Port("https") == 0) GTEST_SKIP() << "no HTTPS listener (openssl missing)";
    PointAt("https://localhost:" + std::to_string(e2e::Port("https")));
    EXPECT_FALSE(Login()) << "a certificate nobody trusts must be refused";
    EXPECT_EQ(PeLmLastErrorGet(), 1006);
    EXPECT_EQ(LastMessage().substr(LastMessage().size() - 3), "(3)") << "no status at all";
    e2e::TrustedCertificate trusted;
    ASSERT_TRUE(trusted.added());
    EXPECT_TRUE(Login());
    EXPECT_NE(e2e::Control("").find("\"listener\": \"https\""), std::string::npos);
}

}  // namespace
