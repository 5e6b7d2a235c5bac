// The silent login from end to end: the real library starts the real client, which talks to
// the local service (directly, through the proxy, or over HTTPS).
#include <windows.h>
#include <wincrypt.h>

#include <thread>

#include "ServiceFixture.h"
#include "pelmora.h"

namespace {

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
    void TearDown() override {
        ClientFolderTest::TearDown();
        PeLmCurrentDirectorySet(nullptr);
        PeLmLoginUserDelete();
    }
    static void PointAt(const std::string& base) {
        PeLmTestUrlSet((base + "/Pelmora/Pelmora/CheckSqlServerRunning").c_str());
        PeLmLoginUrlSet((base + "/Pelmora/Pelmora/Login").c_str());
    }
};

// Japanese and reserved characters reach the service whole. Behind the proxy, the user typed in
// the dialog the host asked for once is kept protected (the password in the file neither as
// typed nor as UTF-16) and serves the next login, until the host deletes it.
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
    const std::wstring typed = L"proxy-pass";
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.find("proxy-pass"), std::string::npos);
    EXPECT_EQ(
        saved.find(std::string(reinterpret_cast<const char*>(typed.data()), 2 * typed.size())),
        std::string::npos);
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
