// The cipher and the digest against known answers (RFC 1321 for MD5; RC4 under the built-in
// key computed elsewhere), so that files and request texts stay readable by anything that
// implements the same two algorithms.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "storage/Crypt.h"
#include "support/LogCapture.h"

namespace {

std::string Digest(const std::string& text) {
    char digest[33];
    std::memset(digest, '#', sizeof digest);
    EXPECT_TRUE(storage::CCrypt().MD5(digest, text.c_str())) << text;
    return std::string(digest, strnlen(digest, sizeof digest));
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
    return hex;
}

// Every byte value, NULs and high bytes included, over more than one key-stream period.
std::string AllBytes(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    return bytes;
}

TEST(Md5, MatchesKnownAnswersAcrossThePaddingEdges) {
    const std::pair<std::string, const char*> vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& v : vectors) EXPECT_EQ(v.second, Digest(v.first)) << v.first.size();
}

// Pinned bytes: request and state files written with this key must stay readable. One object
// serves every call, each starting the key stream afresh; the cipher is its own inverse.
TEST(Rc4, MatchesKnownAnswersAndRoundTripsAnyBytes) {
    const storage::CCrypt crypt;
    auto cipher = [&crypt](const std::string& plain) {
        std::string output = "stale";
        EXPECT_TRUE(crypt.Generate(output, plain, true));
        return output;
    };
    EXPECT_EQ("f94dd259fb5cf214cc841d70eeb795bc67a10e", Hex(cipher("2024/01/31/09/05/07")));
    const std::pair<size_t, const char*> digestsOfHex[] = {
        {1, "e0323a9039add2978bf5b49550572c7c"},
        {257, "0a4cbbb65b1c454014613b49a5f1108f"},
        {100000, "9b48fa2c085b62b1e97574f9c570d185"},
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& v : digestsOfHex) {
            const std::string plain = AllBytes(v.first), encrypted = cipher(plain);
            EXPECT_EQ(v.second, Digest(Hex(encrypted))) << v.first << " pass " << pass;
            std::string back;
            ASSERT_TRUE(crypt.Generate(back, encrypted, false));
            EXPECT_EQ(plain, back);
        }
    }
    EXPECT_EQ("", cipher(""));
    std::string output = "stale";
    EXPECT_TRUE(crypt.Generate(output, nullptr, 0, true));
    EXPECT_EQ("", output);
}

TEST(Rc4, RefusesImpossibleLengthsAndLogsTheOversize) {
    std::string output;
    EXPECT_FALSE(storage::CCrypt().Generate(output, "abc", -1, true));
    EXPECT_FALSE(storage::CCrypt().Generate(output, nullptr, 3, true));

    testing_support::LogCapture capture;
    ASSERT_TRUE(logging::SharedLog::Instance().Open());
    logging::SetLogWindow(capture.window());
    // The size is refused before any byte of the data is read.
    const char oneByte = 'x';
    EXPECT_FALSE(storage::CCrypt().Generate(output, &oneByte, INT_MAX / 2 + 1, true));
    logging::SetLogWindow(nullptr);
    logging::SharedLog::Instance().Close();

    ASSERT_EQ(1u, capture.records().size());
    const LOG_RECORD& entry = capture.records()[0];
    EXPECT_STREQ("暗号化するサイズがINT_MAXを超えています。", entry.message);
    EXPECT_STREQ("CCrypt::Generate", entry.function);
    EXPECT_STREQ("Crypt", entry.source);
    EXPECT_EQ(4, entry.kind);
    EXPECT_EQ(2, entry.indent);
    EXPECT_EQ(1, entry.flag);
}

}  // namespace
