// The window sink with a real window under the X display: the notification arrives while the
// log call waits, and the handler reads the very record just logged from the shared block.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "support/ChildRole.h"
#include "support/LogWindowThread.h"
#include "pelmora.h"

namespace {

struct Seen {
    bool read = false;
    LOG_RECORD record{};
    bool callStillRunning = false;
    WPARAM wParam = 1;
    LPARAM lParam = 1;
};

class LogWindow : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }
    void Log(const std::string& message, int kind = 1) {
        callRunning_ = true;
        PelmLog(message.c_str(), "CLogWindowTest::Log", "LogWindowTest", 12, __DATE__, __TIME__,
                kind, 1, 0);
        callRunning_ = false;
    }
    // Only read after a synchronous notification returned.
    const std::vector<Seen>& seen() const { return seen_; }

    std::atomic<bool> callRunning_{false};
    std::vector<Seen> seen_;
    testing_support::LogWindowThread viewer_{[this](WPARAM wParam, LPARAM lParam) {
        Seen seen;
        seen.read = PelmSharedLogRead(&seen.record) != FALSE;
        seen.callStillRunning = callRunning_.load();
        seen.wParam = wParam;
        seen.lParam = lParam;
        seen_.push_back(seen);
    }};
};

TEST_F(LogWindow, HandlerReadsTheRecordJustLoggedWhileTheCallWaits) {
    ASSERT_NE(nullptr, viewer_.window());
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(viewer_.window());
    for (int i = 0; i < 20; ++i) {
        std::string message = "記録 " + std::to_string(i);
        Log(message, i % 5);
        // The call returned only after the handler ran, so it has been seen already.
        ASSERT_EQ(static_cast<size_t>(i + 1), seen().size());
        const Seen& seen = seen_.back();
        EXPECT_TRUE(seen.read);
        EXPECT_EQ(message, seen.record.message);
        EXPECT_EQ(i % 5, seen.record.kind);
        EXPECT_STREQ("CLogWindowTest::Log", seen.record.function);
        EXPECT_TRUE(seen.callStillRunning) << "the notification must be synchronous";
        EXPECT_EQ(0u, seen.wParam);
        EXPECT_EQ(0, seen.lParam);
    }
}

TEST_F(LogWindow, WindowIsNotifiedEvenWithoutAnOpenBlock) {
    PeLmLogWndSet(viewer_.window());
    Log("no block");
    ASSERT_EQ(1u, seen().size());
    EXPECT_FALSE(seen()[0].read);
}

TEST_F(LogWindow, EntryLoggedInAnotherProcessReachesThisWindow) {
    ASSERT_TRUE(PelmSharedLogOpen());
    std::string handle = std::to_string(reinterpret_cast<uintptr_t>(viewer_.window()));
    ASSERT_EQ(0u, testing_support::RunChild("log-to-window", handle));
    ASSERT_EQ(1u, seen().size());
    const Seen& seen = seen_[0];
    EXPECT_TRUE(seen.read);
    EXPECT_STREQ("子プロセスから", seen.record.message);
    EXPECT_STREQ("ChildProcess::LogToWindow", seen.record.function);
    EXPECT_EQ(77, seen.record.line);
    EXPECT_EQ(2, seen.record.indent);
}

}  // namespace
