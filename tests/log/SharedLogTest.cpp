// The named shared block "SharedLogMemory": its lifetime, whole-record copies, the record's
// byte layout and records travelling between processes.
#include <gtest/gtest.h>

#include <cstring>

#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

using testing_support::PatternRecord;
using testing_support::SameBytes;

bool AllZero(const LOG_RECORD& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

class SharedLog : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PelmSharedLogClose();
    }
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
    EXPECT_TRUE(AllZero(record));

    LOG_RECORD pattern = PatternRecord(5);
    ASSERT_TRUE(PelmSharedLogWrite(&pattern));
    PelmSharedLogClose();
    ASSERT_TRUE(PelmSharedLogOpen());
    ASSERT_TRUE(PelmSharedLogRead(&record));
    EXPECT_TRUE(AllZero(record)) << "nobody held the block, so its content is gone";
}

template <typename T>
T At(const unsigned char* raw, size_t offset) {
    T value;
    std::memcpy(&value, raw + offset, sizeof value);
    return value;
}

// Text at `offset` followed by zero bytes up to the end of its 256-byte field.
::testing::AssertionResult FieldIs(const unsigned char* raw, size_t offset, const char* text) {
    size_t length = std::strlen(text);
    if (std::memcmp(raw + offset, text, length) != 0)
        return ::testing::AssertionFailure() << "field at " << offset << " is not " << text;
    for (size_t i = offset + length; i < offset + 256; ++i) {
        if (raw[i] != 0) return ::testing::AssertionFailure() << "byte " << i << " not zero";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(SharedLog, RecordFieldsSitAtTheirFixedOffsets) {
    ASSERT_TRUE(PelmSharedLogOpen());
    LOG_RECORD dirty = PatternRecord(77);  // the log call must zero the whole record
    ASSERT_TRUE(PelmSharedLogWrite(&dirty));
    testing_support::LogCapture capture;
    PeLmLogWndSet(capture.window());
    const std::string before = testing_support::LocalNowLogTime();
    PelmLog("接続先：\thttp://127.0.0.1/", "CHttpRequestUtil::BeginRequest", "HttpRequestUtil",
            0x01020304, __DATE__, __TIME__, 3, 2, 1);

    unsigned char raw[1040];
    static_assert(sizeof raw == sizeof(LOG_RECORD), "whole record");
    ASSERT_TRUE(PelmSharedLogRead(reinterpret_cast<LOG_RECORD*>(raw)));
    EXPECT_TRUE(FieldIs(raw, 0, "接続先：\thttp://127.0.0.1/"));
    EXPECT_TRUE(FieldIs(raw, 256, "CHttpRequestUtil::BeginRequest"));
    EXPECT_TRUE(FieldIs(raw, 512, "HttpRequestUtil"));
    EXPECT_EQ(0x01020304, At<int>(raw, 768));
    EXPECT_EQ(0x04, raw[768]) << "little-endian";
    std::string time(reinterpret_cast<const char*>(raw + 772));
    EXPECT_TRUE(testing_support::IsLogTimeStamp(time)) << time;
    EXPECT_LE(before, time);
    EXPECT_GE(testing_support::LocalNowLogTime(), time);
    EXPECT_TRUE(FieldIs(raw, 772, time.c_str()));
    EXPECT_EQ(2, At<int>(raw, 1028));
    EXPECT_EQ(3, At<int>(raw, 1032));
    EXPECT_EQ(1, At<int>(raw, 1036));
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

}  // namespace
