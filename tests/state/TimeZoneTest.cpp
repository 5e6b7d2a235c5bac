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

TEST_F(TimeZones, JapanSubFileHoldsJapaneseTimeAndReadsBackTheSameMoment) {
    UseZone("TZ=JST-9");
    ASSERT_EQ("1970/01/01 09", win32::FormatLocalTime(0, "%Y/%m/%d %H")) << "TZ not in effect";
    EXPECT_EQ("2024/01/31/23/59/30", SealedTimeText(kLateEveningInJapan));
    ASSERT_TRUE(WriteSealed(CServerState::GetSubFilePath(), kLateEveningInJapan));
    win32::Seconds read = 0;
    ASSERT_TRUE(CServerState::GetSubTime(read));
    EXPECT_EQ(kLateEveningInJapan, read);
}

// A local time written in the hour that daylight saving repeats or skips still reads back as the
// moment that was sealed.
TEST_F(TimeZones, MomentsAroundTheDaylightJumpReadBackUnchanged) {
    UseZone("TZ=EST5EDT");
    // 2024-07-01 12:00:00 UTC is 08:00 daylight time in New York.
    ASSERT_EQ("08", win32::FormatLocalTime(1719835200, "%H")) << "daylight saving not applied";
    // 01:50 EST on 2024-03-10, and fifteen real minutes later, 03:05 EDT.
    for (win32::Seconds moment : {win32::Seconds{1710053400}, win32::Seconds{1710054300}}) {
        ASSERT_TRUE(WriteSealed(CServerState::GetDeadFilePath(), moment));
        win32::Seconds read = 0;
        ASSERT_TRUE(CServerState::GetDeadTime(read));
        EXPECT_EQ(moment, read);
    }
    EXPECT_EQ("2024/03/10/03/05/00", SealedTimeText(1710054300));
}

}  // namespace
