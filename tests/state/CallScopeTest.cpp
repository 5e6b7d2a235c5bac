// The call scope around an interactive login: its log entries on every way out, the socket
// layer and the current login record (the last-error code it resets: the login flow suite).
#include <gtest/gtest.h>
#include <winsock2.h>

#include <stdexcept>

#include "support/HostLogFile.h"
#include "login/CallScope.h"
#include "frame/LastError.h"
#include "log/LogWriter.h"
#include "login/LoginManager.h"
#include "support/TestSupport.h"

using login::CLoginManager;

namespace {

class CallScope : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(CLoginManager::GetFilePath().c_str());
        CLoginManager::ClearLoginInfo();
        frame::SetLastError(0, "");
    }
    void TearDown() override { SetUp(); }
};

bool SocketLayerStarted() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    closesocket(s);
    return true;
}

void ExpectOpeningAndClosing(const testing_support::HostLogFile& log) {
    const auto lines = log.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("Init開始", lines.front().text);
    EXPECT_EQ(0, lines.front().kind);
    EXPECT_EQ("Init終了", lines[lines.size() - 2].text);
    EXPECT_EQ(0, lines[lines.size() - 2].kind);
    EXPECT_EQ("", lines.back().text);
    EXPECT_EQ(99, lines.back().kind);
    EXPECT_EQ(0, lines.back().indent);
}

// Returning or with an exception passing through, the scope logs both ends and releases the
// socket layer and the stored login it loaded. Without a stored login, a record made current
// without a file (as a silent login leaves it) survives the load.
TEST_F(CallScope, EveryWayOutLogsBothEndsAndReleasesEverything) {
    CLoginManager::SetLoginInfo(
        std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{"mem", "", "", false}));
    {
        login::CApiCallScope scope;
        ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
        EXPECT_EQ("mem", CLoginManager::GetLoginInfo()->companyId);
    }
    CLoginManager::SetLoginInfo(
        std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{"C7", "pw", "u", true}));
    ASSERT_TRUE(CLoginManager::Save());
    for (bool throws : {false, true}) {
        CLoginManager::ClearLoginInfo();
        ASSERT_FALSE(SocketLayerStarted());
        testing_support::HostLogFile log(logging::SetLogFile);
        try {
            login::CApiCallScope scope;
            EXPECT_TRUE(SocketLayerStarted());
            ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
            EXPECT_EQ("C7", CLoginManager::GetLoginInfo()->companyId);
            logging::Log("work", "Test", "Test", 0, 1);
            if (throws) throw std::runtime_error("flow failed");
        } catch (const std::runtime_error&) {
            EXPECT_TRUE(throws);
        }
        EXPECT_FALSE(SocketLayerStarted()) << throws;
        EXPECT_EQ(nullptr, CLoginManager::GetLoginInfo()) << throws;
        ExpectOpeningAndClosing(log);
    }
}

}  // namespace
