#include <gtest/gtest.h>

#include "storage/Crypt.h"

TEST(Crypt, Md5Smoke) {
    char digest[33];
    ASSERT_TRUE(storage::CCrypt().MD5(digest, "abc"));
    EXPECT_STREQ("900150983cd24fb0d6963f7d28e17f72", digest);
}
