// The window sink with a real window under the X display: the notification arrives while the
// log call waits, and the handler reads the very record just logged from the shared block.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/ChildRole.h"
#include "support/LogWindowThread.h"
#include "pelmora.h"
#include "support/LogCapture.h"

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

// A record travels both ways: the other process finds this one's record whole in the block,
// and its entry reaches this window; the block keeps it after that process closed its handles,
// since this one still holds the block.
TEST_F(LogWindow, RecordsTravelBetweenProcessesThroughTheBlockAndTheWindow) {
    ASSERT_TRUE(PelmSharedLogOpen());
    const LOG_RECORD pattern = testing_support::PatternRecord(200);
    ASSERT_TRUE(PelmSharedLogWrite(&pattern));
    std::string handle = std::to_string(reinterpret_cast<uintptr_t>(viewer_.window()));
    ASSERT_EQ(0u, testing_support::RunChild("log-to-window", handle));
    ASSERT_EQ(1u, seen().size());
    LOG_RECORD kept{};
    ASSERT_TRUE(PelmSharedLogRead(&kept));
    for (const LOG_RECORD& record : {seen()[0].record, kept}) {
        EXPECT_STREQ("子プロセスから", record.message);
        EXPECT_STREQ("child", record.source);
        EXPECT_STREQ("ChildProcess::LogToWindow", record.function);
        EXPECT_EQ(77, record.line);
        EXPECT_EQ(2, record.indent);
    }
}

// The other process: checks the parent's record, then logs one entry to the parent's window,
// named by its handle value.
int LogToWindow() {
    if (!PelmSharedLogOpen()) return 30;
    LOG_RECORD record;
    const LOG_RECORD expected = testing_support::PatternRecord(200);
    if (!PelmSharedLogRead(&record) || !testing_support::SameBytes(expected, record)) return 31;
    PeLmLogWndSet(reinterpret_cast<HWND>(static_cast<uintptr_t>(
        std::strtoull(testing_support::ChildArgument().c_str(), nullptr, 10))));
    PelmLog("子プロセスから", "ChildProcess::LogToWindow", "child", 77, __DATE__, __TIME__, 1, 2,
            0);
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
    return 0;
}

const int kRoleDispatched = testing_support::DispatchChildRole({{"log-to-window", LogToWindow}});

}  // namespace
