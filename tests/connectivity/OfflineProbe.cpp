// Run only by run-offline.sh, inside a network namespace where nothing but the loopback is up:
// a real machine without a network, as the library sees it through the platform. Both login
// flows stop at the missing adapter, before any request or dialog.
#include <gtest/gtest.h>

#include <functional>

#include "pelmora.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace offline_probe {

std::vector<std::string> Entries(const std::vector<LOG_RECORD>& records) {
    std::vector<std::string> entries;
    for (const LOG_RECORD& r : records)
        entries.push_back(std::to_string(r.kind) + "|" + std::to_string(r.indent) + "|" +
                          r.message);
    return entries;
}

TEST(NoNetwork, BothLoginFlowsStopAtTheAdapter) {
    PeHmInitialize(0, 0, 0, 0);
    testing_support::LogCapture capture;
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(capture.window());
    EXPECT_FALSE(PeLmGetIsNetworkAvailable());
    EXPECT_FALSE(PeLmIsInternetConnected());
    const std::string check = "0|0|ネットワーク接続環境の確認へ";
    const std::string finding = "1|1|ネットワークにつながる環境（アダプタ）がない";
    struct Flow {
        std::function<BOOL()> login;
        std::vector<std::string> entries;
    };
    const Flow flows[] = {
        {[] { return PeLmLoginUserCreate("C1", "pw", "user"); }, {check, finding}},
        {PeLmLogin,
         {"0|0|Init開始", "0|1|ログイン情報の読み込み",
          "1|1|ログイン情報のパス\t" + testing_support::DataDirectory() + "\\Login.dat",
          "1|1|ログインファイルがありませんでした。", check, finding, "0|0|Init終了", "99|0|"}},
    };
    for (const Flow& flow : flows) {
        capture.Clear();
        EXPECT_FALSE(flow.login());
        EXPECT_EQ(1001, PeLmLastErrorGet());
        EXPECT_EQ("ネットワークにつながる環境がありません", testing_support::LastErrorMessage());
        EXPECT_EQ(flow.entries, Entries(capture.records()));
    }
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
}

}  // namespace offline_probe
