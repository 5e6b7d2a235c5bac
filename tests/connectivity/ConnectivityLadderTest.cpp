// The ladder the login flows run first, on this machine's real adapters and Internet state,
// with the service played by the scripted client. The machine without a network is covered
// by the test that runs in a network namespace of its own.
#include <gtest/gtest.h>

#include "connectivity/CheckConnectivity.h"
#include "connectivity/NetworkChecks.h"
#include "fakeclient/ScriptedClient.h"
#include "frame/Exceptions.h"
#include "log/LogWriter.h"
#include "support/HostLogFile.h"

namespace {

class Ladder : public ::testing::Test {
protected:
    void SetUp() override {
        if (!connectivity::IsNetworkAvailable() || !connectivity::IsInternetConnected())
            GTEST_SKIP() << "this machine has no network: the offline test covers it";
    }

    testing_support::ScriptedClientDirectory client;
};

const char* const kCheckingNetwork = "0|0|ネットワーク接続環境の確認へ";
const char* const kCheckingServer = "0|0|サーバーが生きているか確認";

}  // namespace

TEST_F(Ladder, LiveServiceReturnsAfterTheLocalChecksAndLogsNoOutcome) {
    client.Answer(200, "true");
    testing_support::HostLogFile log(logging::SetLogFile);
    EXPECT_NO_THROW(connectivity::CheckConnectivity("PeLmLogin"));
    std::vector<std::string> entries = log.Entries();
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(kCheckingNetwork, entries[0]);
    EXPECT_EQ(kCheckingServer, entries[1]);
    EXPECT_EQ("2|4|ステータスコード：\t200", entries[4]);  // the test's own last entry
}

TEST_F(Ladder, ServiceAnsweringOtherThanTrueIsDead) {
    client.Answer(200, "false");
    testing_support::HostLogFile log(logging::SetLogFile);
    try {
        connectivity::CheckConnectivity("PeLmLogin");
        ADD_FAILURE() << "no exception";
    } catch (const frame::CNetworkException& e) {
        EXPECT_EQ(1006, e.GetCode());
        EXPECT_EQ("サーバーにアクセスできませんでした", e.Reason());
    }
    EXPECT_EQ("1|1|サーバーが死んでいる", log.Entries().back());
}
