// Run by run-offline.sh in a network namespace with only the loopback up: a real machine without
// a network. The login stops at the missing adapter, before any request or dialog.
#include <gtest/gtest.h>

#include "pelmora.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace offline_probe {

TEST(NoNetwork, LoginStopsAtTheAdapter) {
    PeHmInitialize(0, 0, 0, 0);
    testing_support::LogCapture capture;
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(capture.window());
    EXPECT_FALSE(PeLmGetIsNetworkAvailable() || PeLmIsInternetConnected());
    EXPECT_FALSE(PeLmLogin());
    EXPECT_EQ(1001, PeLmLastErrorGet());
    EXPECT_EQ("ネットワークにつながる環境がありません", testing_support::LastErrorMessage());
    std::vector<std::string> entries;
    for (const LOG_RECORD& r : capture.records())
        entries.push_back(std::to_string(r.kind) + "|" + std::to_string(r.indent) + "|" +
                          r.message);
    const std::vector<std::string> expected = {
        "0|0|Init開始",
        "0|1|ログイン情報の読み込み",
        "1|1|ログイン情報のパス\t" + testing_support::DataDirectory() + "\\Login.dat",
        "1|1|ログインファイルがありませんでした。",
        "0|0|ネットワーク接続環境の確認へ",
        "1|1|ネットワークにつながる環境（アダプタ）がない",
        "0|0|Init終了",
        "99|0|"};
    EXPECT_EQ(expected, entries);
    EXPECT_FALSE(PeLmLoginUserCreate("C1", "pw", "user"));  // the silent login stops there too
    EXPECT_EQ(1001, PeLmLastErrorGet());
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
}

}  // namespace offline_probe
