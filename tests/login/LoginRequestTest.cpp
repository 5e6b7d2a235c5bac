// The login request on its own: how an answer is judged and what a failed exchange raises.
#include <gtest/gtest.h>

#include <string>

#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "login/PelmoraInterface.h"
#include "login/ScriptedService.h"
#include "support/LogCapture.h"
#include "transport/Endpoints.h"

namespace {

using login_tests::Accepted;
using login_tests::Answer;
using login_tests::Refused;
using login_tests::ScriptedService;
using login_tests::Status;

class LoginRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        transport::SetDefaultUrls();
        ASSERT_TRUE(logging::SharedLog::Instance().Open());
        logging::SetLogWindow(capture_.window());
    }
    void TearDown() override {
        logging::SetLogWindow(nullptr);
        logging::SharedLog::Instance().Close();
    }
    bool Logged(const std::string& prefix) const {
        for (const std::string& message : capture_.Messages()) {
            if (message.compare(0, prefix.size(), prefix) == 0) return true;
        }
        return false;
    }

    testing_support::LogCapture capture_;
};

TEST_F(LoginRequestTest, OnlyTrueInAnyCaseIsAcceptance) {
    const std::pair<std::string, int> answers[] = {
        {"<Response><Success>TRUE</Success></Response>", 0},
        {"<Response><Success>True</Success></Response>", 0},
        {"<Response><Success>yes</Success></Response>", 1},
        {"<Response><Success></Success></Response>", 1},
        {"true", 1},
        {"", 1},
    };
    for (const auto& [body, expected] : answers) {
        ScriptedService service({Answer{200, body}});
        login::CPelmoraInterface request;
        EXPECT_EQ(request.Login("C1", "pw"), expected) << body;
        EXPECT_EQ(request.GetErrorMessage(), "") << body;
    }
}

// The service's explanation stays with the object until the next refusal replaces it.
TEST_F(LoginRequestTest, RefusalKeepsTheServicesMessageAcrossALaterSuccess) {
    ScriptedService service({Refused("IDが違います"), Accepted(), Refused("")});
    login::CPelmoraInterface request;
    EXPECT_EQ(request.Login("C1", "bad"), 1);
    EXPECT_EQ(request.GetErrorMessage(), "IDが違います");
    EXPECT_TRUE(Logged("レスポンス：失敗"));
    EXPECT_EQ(request.Login("C1", "good"), 0);
    EXPECT_EQ(request.GetErrorMessage(), "IDが違います");
    EXPECT_EQ(request.Login("", ""), 1);
    EXPECT_EQ(request.GetErrorMessage(), "");
}

TEST_F(LoginRequestTest, FailedExchangeRaisesWithItsCodeAndLogsNoStatus) {
    const char* failure =
        "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。";
    const std::pair<DWORD, std::string> cases[] = {
        {500, std::string(failure) + "(5)"},
        {1234, std::string(failure) + "(3)"},
        {199, failure},
    };
    for (const auto& [status, message] : cases) {
        ScriptedService service({Status(status)});
        capture_.Clear();
        login::CPelmoraInterface request;
        try {
            request.Login("C1", "pw");
            ADD_FAILURE() << status << " did not raise";
        } catch (const frame::CNetworkException& e) {
            EXPECT_EQ(e.GetCode(), 1006);
            EXPECT_EQ(e.GetMessage(), message);
        }
        // Only a completed exchange has a status worth logging.
        EXPECT_EQ(Logged("ステータスコード："), status == 199) << status;
    }
}

}  // namespace
