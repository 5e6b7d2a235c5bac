// The exports at their edges: NULL pointers and caller buffers of size 0, 1, one too small and
// just right, with guard bytes behind them. Nothing may crash or write past the given size.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "pelmora.h"
#include "support/TestSupport.h"

using testing_support::GuardedBuffer;

namespace {

struct TextExport {
    const char* name;
    BOOL(WINAPI* get)(char*, unsigned int);
    std::function<void()> prepare;  // gives the export a text to copy
};

// Every family's text getter: the text only when it fits whole, "" when it does not and at
// least one byte fits, never a byte past the size.
TEST(TextExports, CopyOnlyWhatFitsWholeAndNeverPastTheBuffer) {
    const std::string loginFile = testing_support::DataFile("Login.dat");
    auto storeLogin = [&loginFile] {
        testing_support::WriteFileBytes(loginFile,
                                        "\x89\xef\x8e\xd0"
                                        "ID=ABCDEF\r\n\xca\xdf\xbd\xdc\xb0\xc4\xde=pw!\r\n");
    };
    const TextExport exports[] = {
        {"PeLmLastErrorMessageGet", PeLmLastErrorMessageGet,
         [] { PeLmSetLastError(1006, "サーバーにアクセスできませんでした"); }},
        {"PeLmLastErrorMessageGet after a null message", PeLmLastErrorMessageGet,
         [] {
             PeLmSetLastError(1000, "old");
             PeLmSetLastError(1002, nullptr);  // stored as empty
             EXPECT_EQ(1002, PeLmLastErrorGet());
         }},
        {"PeLmServerDeadTimeGet", PeLmServerDeadTimeGet, [] { PeLmServerToDead(); }},
        {"PeLmLoginSubUrlGet", PeLmLoginSubUrlGet, [] { PeHmInitialize(0, 0, 0, 0); }},
        {"PeLmLoginID", PeLmLoginID, storeLogin},
        {"PeLmLoginPassword", PeLmLoginPassword, storeLogin},
    };
    for (const TextExport& text : exports) {
        SCOPED_TRACE(text.name);
        text.prepare();
        char full[512];
        ASSERT_TRUE(text.get(full, sizeof full));
        const size_t needed = std::strlen(full) + 1;
        EXPECT_FALSE(text.get(nullptr, sizeof full));
        for (size_t size : {size_t{0}, size_t{1}, size_t{2}, needed - 1, needed, needed + 20}) {
            GuardedBuffer buffer(size);
            BOOL copied = text.get(buffer.data(), static_cast<unsigned int>(size));
            EXPECT_TRUE(buffer.GuardsIntact()) << "size " << size;
            EXPECT_EQ(size >= needed, copied != FALSE) << "size " << size;
            if (size > 0) {
                EXPECT_EQ(size >= needed ? std::string(full) : "", buffer.Text()) << size;
            }
        }
    }
    PeLmServerDeadRelease();
    DeleteFileA(loginFile.c_str());
}

TEST(DigestExport, WritesExactly33BytesAndNothingOnNullArguments) {
    EXPECT_FALSE(PeLmMD5(nullptr, "abc"));
    EXPECT_FALSE(PeLmMD5(nullptr, nullptr));
    GuardedBuffer digest(33);
    std::memcpy(digest.data(), "unchanged", 10);
    EXPECT_FALSE(PeLmMD5(digest.data(), nullptr));
    EXPECT_EQ("unchanged", digest.Text());
    // The host's digest is the plain digest of its text, whatever the library's own key is.
    ASSERT_TRUE(PeLmMD5(digest.data(), "abc"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", digest.Text());
    EXPECT_TRUE(digest.GuardsIntact());
}

TEST(DirectoryExport, AcceptsAnyTextIncludingNullAndEmpty) {
    EXPECT_TRUE(PeLmCurrentDirectorySet("D:\\Work\\"));
    EXPECT_TRUE(PeLmCurrentDirectorySet(""));
    EXPECT_TRUE(PeLmCurrentDirectorySet(nullptr));
}

}  // namespace
