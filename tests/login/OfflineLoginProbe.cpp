// Run only inside a network namespace with nothing but the loopback up (see the connectivity
// tests' run-offline.sh): both login flows on a machine without a network, through the DLL.
#include <gtest/gtest.h>

#include <string>

#include "pelmora.h"
#include "support/LogCapture.h"

namespace {

std::string LastErrorMessage() {
    char buffer[256] = {};
    PeLmLastErrorMessageGet(buffer, sizeof buffer);
    return buffer;
}

class OfflineLogin : public ::testing::Test {
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

TEST_F(OfflineLogin, SilentLoginStopsAtTheMissingAdapter) {
    EXPECT_FALSE(PeLmLoginUserCreate("C1", "pw", "user"));
    EXPECT_EQ(PeLmLastErrorGet(), 1001);
    EXPECT_EQ(LastErrorMessage(), "ネットワークにつながる環境がありません");
    ASSERT_FALSE(capture_.records().empty());
    EXPECT_STREQ(capture_.records().back().message, "ネットワークにつながる環境（アダプタ）がない");
}

// No dialog, no request: the adapter finding is followed only by the scope's closing entries.
TEST_F(OfflineLogin, InteractiveLoginStopsAtTheMissingAdapter) {
    EXPECT_FALSE(PeLmLogin());
    EXPECT_EQ(PeLmLastErrorGet(), 1001);
    EXPECT_EQ(LastErrorMessage(), "ネットワークにつながる環境がありません");
    const std::vector<LOG_RECORD>& records = capture_.records();
    ASSERT_GE(records.size(), 4u);
    EXPECT_STREQ(records.front().message, "Init開始");
    EXPECT_STREQ(records[records.size() - 3].message,
                 "ネットワークにつながる環境（アダプタ）がない");
    EXPECT_EQ(records[records.size() - 3].kind, 1);
    EXPECT_STREQ(records[records.size() - 2].message, "Init終了");
    EXPECT_EQ(records.back().kind, 99);
}

}  // namespace
