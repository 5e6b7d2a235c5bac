// The exported service check: FALSE, never an exception, whenever the service is not alive or
// cannot be reached.
#include <gtest/gtest.h>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"

namespace {
class ServerAliveExport : public ::testing::Test {
protected:
    void SetUp() override { PeLmCurrentDirectorySet(client.path().c_str()); }
    void TearDown() override { PeLmCurrentDirectorySet(nullptr); }
    testing_support::ScriptedClientDirectory client;
};
}  // namespace

TEST_F(ServerAliveExport, TrueOnlyForALiveService) {
    client.Answer(200, "true");
    EXPECT_TRUE(PeLmIsServerAlive());
    client.Answer(200, "false");
    EXPECT_FALSE(PeLmIsServerAlive());
}

TEST_F(ServerAliveExport, FailedExchangeGivesFalse) {
    client.Answer(500, "true");
    EXPECT_FALSE(PeLmIsServerAlive());
    client.AnswerNothing(407);
    EXPECT_FALSE(PeLmIsServerAlive());
    client.RemoveClient();
    EXPECT_FALSE(PeLmIsServerAlive());
}

TEST_F(ServerAliveExport, FailureReasonReachesTheHostLog) {
    testing_support::HostLogFile log(PeLmLogFileSet);
    client.RemoveClient();
    EXPECT_FALSE(PeLmIsServerAlive());
    std::string text = log.Raw();
    // The exchange's own reason, with its error code 7 (client missing), not an empty entry.
    EXPECT_NE(
        std::string::npos,
        text.find("\"  例外により処理を中断しました："
                  "サーバーの内部でエラーが起こりました。しばらくしてから接続してください。(7)\""))
        << text;
}
