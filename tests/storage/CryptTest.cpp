// The cipher and the digest against plain RFC 1321 MD5 and RC4 written out here, so that files
// and request texts stay readable by anything that implements the same two algorithms.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "storage/Crypt.h"
#include "support/LogCapture.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"

namespace {

// ---- A small portable MD5 (RFC 1321) and RC4, independent of the platform provider ----

uint32_t RotateLeft(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

std::string ReferenceMd5(const std::string& message) {
    static const uint32_t k[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
        0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
        0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
        0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
        0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
        0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
        0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
        0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
        0xeb86d391};
    static const int shift[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};
    std::string data = message;
    uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
    data.push_back('\x80');
    while (data.size() % 64 != 56) data.push_back('\0');
    for (int i = 0; i < 8; ++i) data.push_back(static_cast<char>(bits >> (8 * i)));
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (size_t block = 0; block < data.size(); block += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(data.data() + block + i * 4);
            w[i] = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            if (i < 16)
                f = (b & c) | (~b & d), g = i;
            else if (i < 32)
                f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
            else if (i < 48)
                f = b ^ c ^ d, g = (3 * i + 5) % 16;
            else
                f = c ^ (b | ~d), g = (7 * i) % 16;
            uint32_t next = b + RotateLeft(a + f + k[i] + w[g], shift[(i / 16) * 4 + i % 4]);
            a = d, d = c, c = b, b = next;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    std::string digest;
    for (uint32_t word : h)
        for (int i = 0; i < 4; ++i) digest.push_back(static_cast<char>(word >> (8 * i)));
    return digest;  // 16 raw bytes
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
    return hex;
}

std::string ReferenceRc4(const std::string& key, const std::string& data) {
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 255;
        std::swap(s[i], s[j]);
    }
    std::string out = data;
    for (size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 255;
        j = (j + s[i]) & 255;
        std::swap(s[i], s[j]);
        out[n] = static_cast<char>(out[n] ^ s[(s[i] + s[j]) & 255]);
    }
    return out;
}

std::string ReferenceCipher(const std::string& data) {
    return ReferenceRc4(ReferenceMd5("kr_vol-mip_wex_ta_wex_hu"), data);
}

std::string Digest(const std::string& text) {
    char digest[33];
    std::memset(digest, '#', sizeof digest);
    EXPECT_TRUE(storage::CCrypt().MD5(digest, text.c_str())) << text;
    return std::string(digest, strnlen(digest, sizeof digest));
}

std::string Cipher(const std::string& data, bool encrypt = true) {
    std::string output = "stale";
    EXPECT_TRUE(
        storage::CCrypt().Generate(output, data.data(), static_cast<int>(data.size()), encrypt));
    return output;
}

// Every byte value, NULs and high bytes included, over more than one key-stream period.
std::string AllBytes(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    return bytes;
}

TEST(Md5, MatchesTheRfc1321TestSuite) {
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Digest(""));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", Digest("a"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Digest("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", Digest("message digest"));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", Digest("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              Digest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              Digest("1234567890123456789012345678901234567890123456789012345678901234567890123456"
                     "7890"));
}

TEST(Md5, IsAlwaysThirtyTwoLowerCaseHexDigitsLikeTheReference) {
    // Lengths around the 55/56/64-byte padding edges, and bytes that give digest bytes < 0x10.
    for (size_t length : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::string text(length, '\0');
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(0x20 + (i * 13) % 0xDF);
        std::string digest = Digest(text);
        ASSERT_EQ(32u, digest.size());
        EXPECT_EQ(std::string::npos, digest.find_first_not_of("0123456789abcdef")) << digest;
        EXPECT_EQ(Hex(ReferenceMd5(text)), digest) << "length " << length;
    }
}

TEST(Rc4, CipherBytesEqualTheReferenceAndStayFixed) {
    // Pinned bytes: request and state files written with this key must stay readable.
    EXPECT_EQ("3822b40172d4866b1a3cca215a24b821", Hex(ReferenceMd5("kr_vol-mip_wex_ta_wex_hu")));
    EXPECT_EQ("f94dd259fb5cf214cc841d70eeb795bc67a10e", Hex(Cipher("2024/01/31/09/05/07")));
    EXPECT_EQ("cb7c9fed2b6c", Hex(Cipher(std::string("\x00\x01\x7f\x80\xff\x00", 6))));
    for (size_t length : {1u, 17u, 255u, 256u, 257u, 4096u, 100000u}) {
        std::string plain = AllBytes(length);
        EXPECT_EQ(ReferenceCipher(plain), Cipher(plain)) << "length " << length;
    }
}

// One object serves any number of calls: each starts the key stream afresh, and applying the
// cipher twice gives back any bytes, NULs and high bytes included, at the same length.
TEST(Rc4, RoundTripsAnyBytesAndStartsAfreshOnEveryCall) {
    storage::CCrypt crypt;
    for (size_t length : {1u, 2u, 255u, 256u, 1000u, 65537u}) {
        const std::string plain = AllBytes(length);
        std::string cipher, again, back;
        ASSERT_TRUE(crypt.Generate(cipher, plain, true));
        ASSERT_TRUE(crypt.Generate(again, plain, true));
        ASSERT_TRUE(crypt.Generate(back, cipher, false));
        EXPECT_EQ(plain.size(), cipher.size());
        EXPECT_NE(plain, cipher);
        EXPECT_EQ(cipher, again) << "length " << length;
        EXPECT_EQ(plain, back) << "length " << length;
    }
    EXPECT_EQ("", Cipher(""));
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
