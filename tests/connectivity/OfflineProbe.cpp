// Run by run-offline.sh in a network namespace with only the loopback up: a real machine without
// a network. The login stops at the missing adapter, before any request or dialog.
#include <gtest/gtest.h>

#include "pelmora.h"
#include "support/LogCapture.h"

namespace offline_probe {

TEST(NoNetwork, LoginStopsAtTheAdapter) {
    PeHmInitialize(0, 0, 0, 0);
    EXPECT_FALSE(PeLmGetIsNetworkAvailable() || PeLmIsInternetConnected());
    EXPECT_FALSE(PeLmLogin());
    EXPECT_EQ(1001, PeLmLastErrorGet());
    EXPECT_EQ("ネットワークにつながる環境がありません", testing_support::LastErrorMessage());
    EXPECT_FALSE(PeLmLoginUserCreate("C1", "pw", "user"));  // the silent login stops there too
    EXPECT_EQ(1001, PeLmLastErrorGet());
}

}  // namespace offline_probe
