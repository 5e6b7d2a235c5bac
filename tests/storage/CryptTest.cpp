// Known answers (RFC 1321 for MD5; RC4 under the built-in key computed elsewhere): files and
// request texts must stay readable by anything that implements the same two algorithms.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "cipher/Crypt.h"

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
    return hex;
}

// Each call starts the key stream afresh; any bytes round-trip, over more than one key-stream
// period. A size that cannot be doubled within an int is refused before any byte is read.
TEST(CipherAndDigest, MatchKnownAnswersAndRoundTripAnyBytes) {
    const storage::CCrypt crypt;
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", crypt.MD5(""));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", crypt.MD5("message digest"));
    std::string output = "stale";
    EXPECT_TRUE(crypt.Generate(output, "2024/01/31/09/05/07", true));
    EXPECT_EQ("f94dd259fb5cf214cc841d70eeb795bc67a10e", Hex(output));
    const std::pair<size_t, const char*> digestsOfHex[] = {
        {1, "e0323a9039add2978bf5b49550572c7c"},
        {257, "0a4cbbb65b1c454014613b49a5f1108f"},
        {100000, "9b48fa2c085b62b1e97574f9c570d185"},
    };
    for (const auto& v : digestsOfHex) {
        std::string plain(v.first, '\0'), encrypted, back;
        for (size_t i = 0; i < v.first; ++i) plain[i] = static_cast<char>(i * 31 + 7);
        ASSERT_TRUE(crypt.Generate(encrypted, plain, true));
        EXPECT_EQ(v.second, crypt.MD5(Hex(encrypted))) << v.first;
        ASSERT_TRUE(crypt.Generate(back, encrypted, false));
        EXPECT_EQ(plain, back);
    }
    output = "stale";
    EXPECT_TRUE(crypt.Generate(output, nullptr, 0, true));
    EXPECT_EQ("", output);
    EXPECT_FALSE(crypt.Generate(output, "abc", -1, true));
    EXPECT_FALSE(crypt.Generate(output, nullptr, 3, true));
    EXPECT_FALSE(crypt.Generate(output, "x", INT_MAX / 2 + 1, true));
}

}  // namespace
