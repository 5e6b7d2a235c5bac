// The exports at their edges: NULL pointers and caller buffers of size 0, 1, one too small and
// just right, with guard bytes behind them. Nothing may crash or write past the given size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pelmora.h"
#include "support/TestSupport.h"

using testing_support::GuardedBuffer;

namespace {

TEST(LastErrorExport, MessageIsCopiedOnlyWhenItFitsWhole) {
    const std::string message = "サーバーにアクセスできませんでした";
    PeLmSetLastError(1006, message.c_str());
    EXPECT_EQ(1006, PeLmLastErrorGet());

    EXPECT_FALSE(PeLmLastErrorMessageGet(nullptr, 0));
    EXPECT_FALSE(PeLmLastErrorMessageGet(nullptr, 512));
    const size_t exact = message.size() + 1;
    for (size_t size : {size_t{0}, size_t{1}, size_t{2}, exact - 1, exact, exact + 20}) {
        GuardedBuffer buffer(size);
        BOOL copied = PeLmLastErrorMessageGet(buffer.data(), static_cast<unsigned>(size));
        EXPECT_TRUE(buffer.GuardsIntact()) << "size " << size;
        if (size >= exact) {
            EXPECT_TRUE(copied);
            EXPECT_EQ(message, buffer.Text());
        } else {
            EXPECT_FALSE(copied) << "size " << size;
            if (size > 0) {
                EXPECT_EQ('\0', buffer.data()[0]) << "too small leaves \"\"";
            }
        }
    }
}

TEST(LastErrorExport, NullMessageIsStoredAsEmpty) {
    PeLmSetLastError(1000, "old");
    PeLmSetLastError(1002, nullptr);
    EXPECT_EQ(1002, PeLmLastErrorGet());
    GuardedBuffer buffer(1);
    EXPECT_TRUE(PeLmLastErrorMessageGet(buffer.data(), 1));
    EXPECT_EQ("", buffer.Text());
    EXPECT_TRUE(buffer.GuardsIntact());
}

TEST(DigestExport, NullArgumentsFailWithoutTouchingTheDigest) {
    EXPECT_FALSE(PeLmMD5(nullptr, "abc"));
    EXPECT_FALSE(PeLmMD5(nullptr, nullptr));
    GuardedBuffer digest(33);
    std::memcpy(digest.data(), "unchanged", 10);
    EXPECT_FALSE(PeLmMD5(digest.data(), nullptr));
    EXPECT_EQ("unchanged", digest.Text());
    EXPECT_TRUE(digest.GuardsIntact());
}

TEST(DigestExport, WritesExactly33BytesIntoTheCallersBuffer) {
    GuardedBuffer digest(33);
    ASSERT_TRUE(PeLmMD5(digest.data(), "abc"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", digest.Text());
    EXPECT_TRUE(digest.GuardsIntact());
    // The host's digest is the plain digest of its text, whatever the library's own key is.
    ASSERT_TRUE(PeLmMD5(digest.data(), ""));
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", digest.Text());
    EXPECT_TRUE(digest.GuardsIntact());
}

TEST(SharedLogExport, NullRecordIsRefusedWhetherOpenOrNot) {
    EXPECT_FALSE(PelmSharedLogWrite(nullptr));
    EXPECT_FALSE(PelmSharedLogRead(nullptr));
    ASSERT_TRUE(PelmSharedLogOpen());
    EXPECT_FALSE(PelmSharedLogWrite(nullptr));
    EXPECT_FALSE(PelmSharedLogRead(nullptr));
    LOG_RECORD record{};
    std::strcpy(record.message, "still works");
    EXPECT_TRUE(PelmSharedLogWrite(&record));
    LOG_RECORD read;
    EXPECT_TRUE(PelmSharedLogRead(&read));
    EXPECT_STREQ("still works", read.message);
    PelmSharedLogClose();
}

TEST(DirectoryExport, AcceptsAnyTextIncludingNullAndEmpty) {
    EXPECT_TRUE(PeLmCurrentDirectorySet("D:\\Work\\"));
    EXPECT_TRUE(PeLmCurrentDirectorySet(""));
    EXPECT_TRUE(PeLmCurrentDirectorySet(nullptr));
}

}  // namespace
