// Known answers (RFC 1321 for MD5; RC4 under the built-in key computed elsewhere): files and
// request texts must stay readable by anything that implements the same two algorithms.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "cipher/Crypt.h"
#include "cipher/TimeSeal.h"

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
    const std::pair<size_t, const char*> digestsOfHex[] = {
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
    std::string output = "stale";
    EXPECT_TRUE(crypt.Generate(output, nullptr, 0, true));
    EXPECT_EQ("", output);
    EXPECT_FALSE(crypt.Generate(output, "abc", -1, true));
    EXPECT_FALSE(crypt.Generate(output, nullptr, 3, true));
    EXPECT_FALSE(crypt.Generate(output, "x", INT_MAX / 2 + 1, true));
}

// A state file's 52 bytes, one moment in each month (Japan's time, no daylight saving): the key
// stream every file starts with (RC4 under the MD5 of the passphrase, computed elsewhere) over
// the local time as "YYYY/MM/DD/hh/mm/ss", a space and the text's MD5; read back, the moment.
TEST(StateFileSeal, HoldsTheLocalTimeTextAndItsDigestForEveryMonth) {
    struct JapanTime {  // the process's zone for this test only
        JapanTime() { _putenv("TZ=JST-9"), _tzset(); }
        ~JapanTime() { _putenv("TZ="), _tzset(); }
    } japan;
    const std::string keyStream =
        "cb7de06dd46cc33bffb53240d798a5894891398991767f7ff8a208474a7b023a037eebb533f2ccd82c7668da"
        "1239655d40748952";
    const std::pair<win32::Seconds, std::string> moments[] = {
        {1735657200, "2025/01/01/00/00/00"}, {1740754799, "2025/02/28/23/59/59"},
        {1741449723, "2025/03/09/01/02/03"}, {1745984096, "2025/04/30/12/34/56"},
        {1746389105, "2025/05/05/05/05/05"}, {1749978009, "2025/06/15/18/00/09"},
        {1751839627, "2025/07/07/07/07/07"}, {1756640701, "2025/08/31/20/45/01"},
        {1757376549, "2025/09/09/09/09/09"}, {1760058610, "2025/10/10/10/10/10"},
        {1764441030, "2025/11/30/03/30/30"}, {1767193199, "2025/12/31/23/59/59"},
        {1709175600, "2024/02/29/12/00/00"}};
    for (const auto& [moment, text] : moments) {
        const std::string sealed = storage::SealTime(moment);
        std::string plain = sealed;
        for (size_t i = 0; i < plain.size() && i < 52; ++i)
            plain[i] ^= static_cast<char>(std::stoi(keyStream.substr(i * 2, 2), nullptr, 16));
        EXPECT_EQ(text + " " + storage::CCrypt().MD5(text), plain) << Hex(sealed);
        win32::Seconds read = 0;
        EXPECT_NO_THROW(read = storage::UnsealTime(sealed)) << text;
        EXPECT_EQ(moment, read) << text;
    }
}

}  // namespace
