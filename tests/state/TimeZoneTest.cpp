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

class TimeZones : public ::testing::Test {
protected:
    void SetUp() override { RemoveStateFiles(); }
    void TearDown() override { RemoveStateFiles(); }
};

// The file holds the local time; a moment sealed in Japan, and moments in the hour that daylight
// saving skips (01:50 EST on 2024-03-10, then fifteen real minutes later 03:05 EDT), read back
// as the moment that was sealed.
TEST_F(TimeZones, FilesHoldLocalTimeAndReadBackTheSameMoment) {
    struct Case {
        const char* zone;
        win32::Seconds moment;
        const char* sealed;
    };
    const Case cases[] = {
        {"TZ=JST-9", 1706713170, "2024/01/31/23/59/30"},  // 14:59:30 UTC
        {"TZ=EST5EDT", 1710053400, "2024/03/10/01/50/00"},
        {"TZ=EST5EDT", 1710054300, "2024/03/10/03/05/00"},
    };
    for (const Case& c : cases) {
        UseZone(c.zone);
        EXPECT_EQ(c.sealed, SealedTimeText(c.moment)) << c.zone;
        ASSERT_TRUE(WriteSealed(CServerState::GetSubFilePath(), c.moment));
        win32::Seconds read = 0;
        ASSERT_TRUE(CServerState::GetSubTime(read));
        EXPECT_EQ(c.moment, read) << c.sealed;
    }
}

}  // namespace
