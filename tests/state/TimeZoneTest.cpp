// The state times under zones other than the machine's: a fixed offset east of UTC and a zone
// with daylight saving. The zone is set for this process through TZ before any time call.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include "StateFiles.h"
#include "storage/Crypt.h"

using storage::CServerState;
using namespace state_tests;

namespace {

void UseZone(const char* tz) {
    _putenv(tz);
    _tzset();
}

std::string SealedTimeText(win32::Seconds t) {
    std::string plain;
    storage::CCrypt().Generate(plain, storage::SealTime(t), false);
    return plain.substr(0, 19);
}

// 2024-01-31 14:59:30 UTC, 23:59:30 in Japan.
constexpr win32::Seconds kLateEveningInJapan = 1706713170;

class TimeZones : public ::testing::Test {
protected:
    void SetUp() override { RemoveStateFiles(); }
    void TearDown() override { RemoveStateFiles(); }
};

TEST_F(TimeZones, JapanSubFileHoldsJapaneseTimeAndItsDayEndsAtJapaneseMidnight) {
    UseZone("TZ=JST-9");
    ASSERT_EQ("1970/01/01 09", win32::FormatLocalTime(0, "%Y/%m/%d %H")) << "TZ not in effect";
    EXPECT_EQ("2024/01/31/23/59/30", SealedTimeText(kLateEveningInJapan));
    ASSERT_TRUE(WriteSealed(CServerState::GetSubFilePath(), kLateEveningInJapan));
    win32::Seconds read = 0;
    ASSERT_TRUE(CServerState::GetSubTime(read));
    EXPECT_EQ(kLateEveningInJapan, read);
    // 15:00:00 UTC is the next midnight in Japan, while the UTC day still has 9 hours to go.
    EXPECT_FALSE(CServerState::IsOverSubLimit(kLateEveningInJapan + 29));
    EXPECT_TRUE(CServerState::IsOverSubLimit(kLateEveningInJapan + 30));
}

TEST_F(TimeZones, SpringForwardDayIsTwentyThreeHoursLong) {
    UseZone("TZ=EST5EDT");
    // 2024-07-01 12:00:00 UTC is 08:00 daylight time in New York.
    ASSERT_EQ("08", win32::FormatLocalTime(1719835200, "%H")) << "daylight saving not applied";
    // Switch at 00:00:05 EST on 2024-03-10 (05:00:05 UTC); clocks jump 02:00 -> 03:00 that
    // night, so the day ends at 23:59:59 EDT = 03:59:59 UTC on 2024-03-11.
    const win32::Seconds switchMoment = 1710046805;
    EXPECT_EQ("2024/03/10/00/00/05", SealedTimeText(switchMoment));
    ASSERT_TRUE(WriteSealed(CServerState::GetSubFilePath(), switchMoment));
    const win32::Seconds lastSecond = 1710129599;
    EXPECT_FALSE(CServerState::IsOverSubLimit(lastSecond));
    EXPECT_TRUE(CServerState::IsOverSubLimit(lastSecond + 1));
}

TEST_F(TimeZones, RetryLimitCountsRealSecondsAcrossTheDaylightJump) {
    UseZone("TZ=EST5EDT");
    // 01:50 EST on 2024-03-10; fifteen real minutes later the clock shows 03:05 EDT.
    const win32::Seconds dead = 1710053400;
    ASSERT_TRUE(WriteSealed(CServerState::GetDeadFilePath(), dead));
    EXPECT_TRUE(CServerState::IsInRetryLimit(dead + 899));
    EXPECT_FALSE(CServerState::IsInRetryLimit(dead + 900));
    EXPECT_EQ("03:05", win32::FormatLocalTime(dead + 900, "%H:%M"));
}

}  // namespace
