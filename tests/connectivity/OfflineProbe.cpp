// Run only by run-offline.sh, inside a network namespace where nothing but the loopback is up:
// a real machine without a network, as the library sees it through the platform.
#include <gtest/gtest.h>

#include "connectivity/CheckConnectivity.h"
#include "frame/CatchLadder.h"
#include "frame/Exceptions.h"
#include "frame/LastError.h"
#include "log/LogWriter.h"
#include "pelmora.h"
#include "support/HostLogFile.h"

TEST(NoNetwork, ExportsReportNoAdapterAndNoInternet) {
    EXPECT_FALSE(PeLmGetIsNetworkAvailable());
    EXPECT_FALSE(PeLmIsInternetConnected());
}

TEST(NoNetwork, LadderStopsAtTheAdapter) {
    testing_support::HostLogFile log(logging::SetLogFile);
    EXPECT_THROW(connectivity::CheckConnectivity("PeLmLogin"), frame::CNetworkAdapterException);
    std::vector<std::string> expected = {"0|0|ネットワーク接続環境の確認へ",
                                         "1|1|ネットワークにつながる環境（アダプタ）がない"};
    EXPECT_EQ(expected, log.Entries());
}

TEST(NoNetwork, LoginFlowRecordsTheMissingAdapter) {
    frame::RunWithCatchLadder("PeLmLoginUserCreate",
                              [] { connectivity::CheckConnectivity("PeLmLoginUserCreate"); });
    EXPECT_EQ(1001, frame::GetLastErrorCode());
    EXPECT_EQ("ネットワークにつながる環境がありません", frame::GetLastErrorMessage());
}
