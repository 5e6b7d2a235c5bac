// Run only by run-offline.sh, inside a network namespace where nothing but the loopback is up:
// a real machine without a network, as the library sees it through the platform. Both login
// flows stop at the missing adapter before any request.
#include <gtest/gtest.h>

#include "pelmora.h"
#include "support/LogCapture.h"

namespace {

const char* const kNoAdapter = "ネットワークにつながる環境がありません";
const char* const kAdapterFinding = "ネットワークにつながる環境（アダプタ）がない";

class NoNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        PeHmInitialize(0, 0, 0, 0);
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(capture_.window());
    }
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }
    testing_support::LogCapture capture_;
};

TEST_F(NoNetwork, SilentLoginStopsAtTheAdapter) {
    EXPECT_FALSE(PeLmGetIsNetworkAvailable());
    EXPECT_FALSE(PeLmIsInternetConnected());
    EXPECT_FALSE(PeLmLoginUserCreate("C1", "pw", "user"));
    EXPECT_EQ(PeLmLastErrorGet(), 1001);
    EXPECT_EQ(testing_support::LastErrorMessage(), kNoAdapter);
    const std::vector<LOG_RECORD>& records = capture_.records();
    ASSERT_GE(records.size(), 2u);
    const LOG_RECORD& check = records[records.size() - 2];
    EXPECT_STREQ(check.message, "ネットワーク接続環境の確認へ");
    EXPECT_EQ(0, check.kind);
    EXPECT_EQ(0, check.indent);
    EXPECT_STREQ(records.back().message, kAdapterFinding);
    EXPECT_EQ(1, records.back().kind);
    EXPECT_EQ(1, records.back().indent);
}

// No dialog, no request: the adapter finding is followed only by the scope's closing entries.
TEST_F(NoNetwork, InteractiveLoginStopsAtTheAdapter) {
    EXPECT_FALSE(PeLmLogin());
    EXPECT_EQ(PeLmLastErrorGet(), 1001);
    EXPECT_EQ(testing_support::LastErrorMessage(), kNoAdapter);
    const std::vector<LOG_RECORD>& records = capture_.records();
    ASSERT_GE(records.size(), 4u);
    EXPECT_STREQ(records.front().message, "Init開始");
    EXPECT_STREQ(records[records.size() - 3].message, kAdapterFinding);
    EXPECT_EQ(records[records.size() - 3].kind, 1);
    EXPECT_STREQ(records[records.size() - 2].message, "Init終了");
    EXPECT_EQ(records.back().kind, 99);
}

}  // namespace
