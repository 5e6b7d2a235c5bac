// The service's test request through the scripted client: which answers mean "alive", and what
// it sends and logs.
#include <gtest/gtest.h>

#include "fakeclient/ScriptedClient.h"
#include "log/LogWriter.h"
#include "transport/PelmoraInterface.h"
#include "support/HostLogFile.h"
#include "transport/Endpoints.h"

using transport::CPelmoraInterface;

namespace {
const char* const kTestUrl = "https://127.0.0.1:9/Pelmora/Pelmora/CheckSqlServerRunning";

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        transport::SetEndpointUrl(transport::Server::kMain, transport::Endpoint::kTest, kTestUrl);
    }

    testing_support::ScriptedClientDirectory client;
};
}  // namespace

TEST_F(ServiceTest, OnlyTheWordTrueWithASuccessStatusIsAlive) {
    struct Case {
        DWORD status;
        const char* body;
        int result;
    };
    for (Case c :
         {Case{200, "true", 0}, Case{200, "TRUE", 0}, Case{302, "True", 0},
          Case{200, "true\r\n", 0}, Case{399, "true", 0}, Case{199, "true", 1}, Case{0, "true", 1},
          Case{200, " true", 1}, Case{200, "true ", 1}, Case{200, "false", 1}, Case{200, "", 1},
          Case{200, "<Response><Success>true</Success></Response>", 1}}) {
        client.Answer(c.status, c.body);
        EXPECT_EQ(c.result, CPelmoraInterface().Test()) << c.status << " [" << c.body << "]";
    }
    client.AnswerNothing(200);
    EXPECT_EQ(1, CPelmoraInterface().Test());
}

TEST_F(ServiceTest, SendsAnEmptyQueryToTheTestUrlAndLogsItsSteps) {
    client.Answer(200, "true");
    testing_support::HostLogFile log(logging::SetLogFile);
    ASSERT_EQ(0, CPelmoraInterface().Test());
    EXPECT_EQ(std::string("url:") + kTestUrl + "\nquery:\nshowproxydlg:false\n",
              client.LastRequest());
    std::vector<std::string> expected = {"0|3|Test...", std::string("3|4|接続先：\t") + kTestUrl,
                                         "2|4|ステータスコード：\t200"};
    EXPECT_EQ(expected, log.Entries());
}
