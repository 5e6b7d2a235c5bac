// The service's test request as a host asks it (PeLmIsServerAlive) through the scripted
// client: which answers mean "alive", what it sends and logs, and FALSE, never an exception,
// whenever the service cannot be reached.
#include <gtest/gtest.h>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"

namespace {

const std::string kTestUrl = "https://127.0.0.1:9/Pelmora/Pelmora/CheckSqlServerRunning";

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        PeLmTestUrlSet(kTestUrl.c_str());
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
    for (Case c :
         {Case{200, "true", TRUE}, Case{302, "True", TRUE}, Case{200, "true\r\n", TRUE},
          Case{399, "TRUE", TRUE}, Case{199, "true", FALSE}, Case{500, "true", FALSE},
          Case{200, " true", FALSE}, Case{200, "true ", FALSE}, Case{200, "false", FALSE},
          Case{200, "", FALSE}, Case{200, "<Response><Success>true</Success></Response>", FALSE}}) {
        client.Answer(c.status, c.body);
        EXPECT_EQ(c.alive, PeLmIsServerAlive()) << c.status << " [" << c.body << "]";
    }
    for (DWORD status : {200, 407}) {  // no answer; a proxy demand
        client.AnswerNothing(status);
        EXPECT_FALSE(PeLmIsServerAlive()) << status;
    }
}

// Without a client the log holds the exchange's own reason with its code 7, not an empty entry.
TEST_F(ServiceTest, SendsAnEmptyQueryToTheTestUrlAndLogsEachOutcome) {
    client.Answer(200, "true");
    testing_support::HostLogFile log(PeLmLogFileSet);
    ASSERT_TRUE(PeLmIsServerAlive());
    EXPECT_EQ("url:" + kTestUrl + "\nquery:\nshowproxydlg:false\n", client.LastRequest());
    client.RemoveClient();
    EXPECT_FALSE(PeLmIsServerAlive());
    const std::vector<std::string> expected = {
        "0|3|Test...",
        "3|4|接続先：\t" + kTestUrl,
        "2|4|ステータスコード：\t200",
        "0|3|Test...",
        "3|4|接続先：\t" + kTestUrl,
        "4|1|例外により処理を中断しました：サーバーの内部でエラーが起こりました。"
        "しばらくしてから接続してください。(7)"};
    EXPECT_EQ(expected, log.Entries());
}

}  // namespace
