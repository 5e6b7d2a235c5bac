// The named shared block "SharedLogMemory": its lifetime, whole-record copies, the record's
// byte layout, and records travelling between processes through it and a real log window.
// That each notification arrives while its record is in the block: the host hammer suite.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "pelmora.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "support/LogWindowThread.h"
#include "support/TestSupport.h"

namespace {

using testing_support::PatternRecord;
using testing_support::SameBytes;

struct Seen {
    bool read = false;
    LOG_RECORD record{};
    WPARAM wParam = 1;
    LPARAM lParam = 1;
};

class SharedLog : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }

    // What a log window on a thread of its own saw; read only after a notification returned.
    std::vector<Seen> seen_;
    testing_support::LogWindowThread viewer_{[this](WPARAM wParam, LPARAM lParam) {
        Seen seen{false, {}, wParam, lParam};
        seen.read = PelmSharedLogRead(&seen.record) != FALSE;
        seen_.push_back(seen);
    }};
};

TEST_F(SharedLog, WriteAndReadFailUnlessOpenOrOnNullAndLeaveTheBufferAlone) {
    const LOG_RECORD pattern = PatternRecord(3);
    LOG_RECORD buffer = PatternRecord(9);
    const LOG_RECORD untouched = buffer;
    EXPECT_FALSE(PelmSharedLogWrite(&pattern));
    EXPECT_FALSE(PelmSharedLogRead(&buffer));
    EXPECT_TRUE(SameBytes(untouched, buffer));
    EXPECT_FALSE(PelmSharedLogWrite(nullptr));
    EXPECT_FALSE(PelmSharedLogRead(nullptr));

    ASSERT_TRUE(PelmSharedLogOpen());
    EXPECT_FALSE(PelmSharedLogWrite(nullptr));
    EXPECT_FALSE(PelmSharedLogRead(nullptr));
    EXPECT_TRUE(PelmSharedLogWrite(&pattern));
    // The whole record comes back, and stays for the next reader.
    for (int read = 0; read < 2; ++read) {
        buffer = untouched;
        EXPECT_TRUE(PelmSharedLogRead(&buffer));
        EXPECT_TRUE(SameBytes(pattern, buffer));
    }

    PelmSharedLogClose();
    LOG_RECORD afterClose = untouched;
    EXPECT_FALSE(PelmSharedLogWrite(&pattern));
    EXPECT_FALSE(PelmSharedLogRead(&afterClose));
    EXPECT_TRUE(SameBytes(untouched, afterClose));
    PelmSharedLogClose();  // closing twice is harmless
}

TEST_F(SharedLog, BlockStartsAsZeroBytesAndEndsWithItsLastHolder) {
    LOG_RECORD probe;
    ASSERT_FALSE(testing_support::ReadNamedLogBlock(probe)) << "no other process may hold it";
    ASSERT_TRUE(PelmSharedLogOpen());
    LOG_RECORD record = PatternRecord(1);
    ASSERT_TRUE(PelmSharedLogRead(&record));
    EXPECT_TRUE(SameBytes(LOG_RECORD{}, record));

    LOG_RECORD pattern = PatternRecord(5);
    ASSERT_TRUE(PelmSharedLogWrite(&pattern));
    PelmSharedLogClose();
    ASSERT_TRUE(PelmSharedLogOpen());
    ASSERT_TRUE(PelmSharedLogRead(&record));
    EXPECT_TRUE(SameBytes(LOG_RECORD{}, record)) << "nobody held the block, so its content is gone";
}

TEST_F(SharedLog, RecordFieldsSitAtTheirFixedOffsets) {
    ASSERT_TRUE(PelmSharedLogOpen());
    LOG_RECORD dirty = PatternRecord(77);  // the log call must zero the whole record
    ASSERT_TRUE(PelmSharedLogWrite(&dirty));
    testing_support::LogCapture capture;
    PeLmLogWndSet(capture.window());
    const std::string before = testing_support::LocalNowLogTime();
    const std::string message = "接続先：\thttp://127.0.0.1/",
                      function = "CHttpRequestUtil::BeginRequest", source = "HttpRequestUtil";
    PelmLog(message.c_str(), function.c_str(), source.c_str(), 0x01020304, __DATE__, __TIME__, 3, 2,
            1);

    unsigned char raw[1040], expected[1040] = {};
    static_assert(sizeof raw == sizeof(LOG_RECORD), "whole record");
    ASSERT_TRUE(PelmSharedLogRead(reinterpret_cast<LOG_RECORD*>(raw)));
    const std::string time(reinterpret_cast<const char*>(raw + 772));
    EXPECT_TRUE(testing_support::IsLogTimeStamp(time)) << time;
    EXPECT_LE(before, time);
    EXPECT_GE(testing_support::LocalNowLogTime(), time);
    // Three zero-padded 256-byte texts, the line, the zero-padded time, then indent, kind and
    // flag, every number little-endian.
    std::memcpy(expected, message.data(), message.size());
    std::memcpy(expected + 256, function.data(), function.size());
    std::memcpy(expected + 512, source.data(), source.size());
    const unsigned char line[] = {4, 3, 2, 1};
    std::memcpy(expected + 768, line, sizeof line);
    std::memcpy(expected + 772, time.data(), time.size());
    const unsigned char ints[] = {2, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0};
    std::memcpy(expected + 1028, ints, sizeof ints);
    EXPECT_EQ(0, std::memcmp(expected, raw, sizeof raw));
}

TEST_F(SharedLog, OpeningAgainReleasesTheEarlierHandlesAndKeepsTheRecord) {
    DWORD before = 0, afterFirst = 0, afterMany = 0, afterClose = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    ASSERT_TRUE(PelmSharedLogOpen());
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &afterFirst));
    const LOG_RECORD pattern = PatternRecord(11);
    ASSERT_TRUE(PelmSharedLogWrite(&pattern));

    for (int i = 0; i < 200; ++i) ASSERT_TRUE(PelmSharedLogOpen());
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &afterMany));
    EXPECT_EQ(afterFirst, afterMany) << "each open must release what the one before held";

    // Re-opening must not let the block lapse in between, or its record would be lost.
    LOG_RECORD read;
    ASSERT_TRUE(PelmSharedLogRead(&read));
    EXPECT_TRUE(SameBytes(pattern, read));

    PelmSharedLogClose();
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &afterClose));
    EXPECT_EQ(before, afterClose);
}

TEST_F(SharedLog, WindowIsNotifiedEvenWithoutAnOpenBlock) {
    PeLmLogWndSet(viewer_.window());
    PelmLog("no block", "F", "S", 1, __DATE__, __TIME__, 1, 0, 0);
    ASSERT_EQ(1u, seen_.size());
    EXPECT_FALSE(seen_[0].read);
    EXPECT_EQ(0u, seen_[0].wParam);
    EXPECT_EQ(0, seen_[0].lParam);
}

// A record travels both ways: the other process finds this one's record whole in the block,
// and its entry reaches this window; the block keeps it after that process closed its handles,
// since this one still holds the block.
TEST_F(SharedLog, RecordsTravelBetweenProcessesThroughTheBlockAndTheWindow) {
    ASSERT_TRUE(PelmSharedLogOpen());
    const LOG_RECORD pattern = testing_support::PatternRecord(200);
    ASSERT_TRUE(PelmSharedLogWrite(&pattern));
    std::string handle = std::to_string(reinterpret_cast<uintptr_t>(viewer_.window()));
    ASSERT_EQ(0u, testing_support::RunChild("log-to-window", handle));
    ASSERT_EQ(1u, seen_.size());
    LOG_RECORD kept{};
    ASSERT_TRUE(PelmSharedLogRead(&kept));
    for (const LOG_RECORD& record : {seen_[0].record, kept}) {
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
