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

TEST_F(ServerAliveExport, TrueOnlyForALiveServiceAndFalseWithTheReasonLoggedOtherwise) {
    client.Answer(200, "true");
    EXPECT_TRUE(PeLmIsServerAlive());
    client.Answer(200, "false");
    EXPECT_FALSE(PeLmIsServerAlive());
    client.Answer(500, "true");
    EXPECT_FALSE(PeLmIsServerAlive());
    client.AnswerNothing(407);
    EXPECT_FALSE(PeLmIsServerAlive());

    testing_support::HostLogFile log(PeLmLogFileSet);
    client.RemoveClient();
    EXPECT_FALSE(PeLmIsServerAlive());
    // The exchange's own reason, with its error code 7 (client missing), not an empty entry.
    const std::string reason =
        "例外により処理を中断しました：サーバーの内部でエラーが起こりました。"
        "しばらくしてから接続してください。(7)";
    EXPECT_NE(std::string::npos, log.Raw().find("\"  " + reason + "\"")) << log.Raw();
}
