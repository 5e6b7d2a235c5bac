// The service's test request as a host asks it (PeLmIsServerAlive) through the scripted
// client: which answers mean "alive", what it sends and logs, and FALSE, never an exception,
// whenever the service cannot be reached.
#include <gtest/gtest.h>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"

namespace {

const char* const kTestUrl = "https://127.0.0.1:9/Pelmora/Pelmora/CheckSqlServerRunning";

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        PeLmTestUrlSet(kTestUrl);
        PeLmCurrentDirectorySet(client.path().c_str());
    }
    void TearDown() override { PeLmCurrentDirectorySet(nullptr); }

    testing_support::ScriptedClientDirectory client;
};

TEST_F(ServiceTest, OnlyTheWordTrueWithASuccessStatusIsAlive) {
    struct Case {
        DWORD status;
        const char* body;
        BOOL alive;
    };
    for (Case c : {Case{200, "true", TRUE}, Case{200, "TRUE", TRUE}, Case{302, "True", TRUE},
                   Case{200, "true\r\n", TRUE}, Case{399, "true", TRUE}, Case{199, "true", FALSE},
                   Case{0, "true", FALSE}, Case{500, "true", FALSE}, Case{200, " true", FALSE},
                   Case{200, "true ", FALSE}, Case{200, "false", FALSE}, Case{200, "", FALSE},
                   Case{200, "<Response><Success>true</Success></Response>", FALSE}}) {
        client.Answer(c.status, c.body);
        EXPECT_EQ(c.alive, PeLmIsServerAlive()) << c.status << " [" << c.body << "]";
    }
    for (DWORD status : {200, 407}) {  // no answer; a proxy demand
        client.AnswerNothing(status);
        EXPECT_FALSE(PeLmIsServerAlive()) << status;
    }
}

TEST_F(ServiceTest, SendsAnEmptyQueryToTheTestUrlAndLogsItsSteps) {
    client.Answer(200, "true");
    testing_support::HostLogFile log(PeLmLogFileSet);
    ASSERT_TRUE(PeLmIsServerAlive());
    EXPECT_EQ(std::string("url:") + kTestUrl + "\nquery:\nshowproxydlg:false\n",
              client.LastRequest());
    std::vector<std::string> expected = {"0|3|Test...", std::string("3|4|接続先：\t") + kTestUrl,
                                         "2|4|ステータスコード：\t200"};
    EXPECT_EQ(expected, log.Entries());
}

TEST_F(ServiceTest, MissingClientIsNotAliveWithTheExchangesReasonLogged) {
    testing_support::HostLogFile log(PeLmLogFileSet);
    client.RemoveClient();
    EXPECT_FALSE(PeLmIsServerAlive());
    // The exchange's own reason, with its error code 7 (client missing), not an empty entry.
    const std::string reason =
        "例外により処理を中断しました：サーバーの内部でエラーが起こりました。"
        "しばらくしてから接続してください。(7)";
    EXPECT_NE(std::string::npos, log.Raw().find("\"  " + reason + "\"")) << log.Raw();
}

}  // namespace
