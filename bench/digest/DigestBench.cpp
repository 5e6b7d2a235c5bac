// The exported digest against the least any MD5 on the platform's provider costs: a hash object
// on a context this program acquired once, the same texts, the same hex text. Both run in the
// same process, in alternating rounds, so machine and Wine noise hit both alike.
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/BenchClock.h"
#include "pelmora.h"

namespace {

const int kRounds = 6;
const int kCallsPerRound = 200000;
const double kRoundSeconds = 0.5;
const char kProvider[] = "Microsoft Strong Cryptographic Provider";
const DWORD kDigestFlags = CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET;

// Texts of 9 to 190 bytes, the lengths hosts hash (ids, passwords, time texts).
std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (int i = 0; i < 16; ++i)
        texts.push_back(std::string(static_cast<size_t>(8 + i * 12), 'a' + i) + std::to_string(i));
    return texts;
}

bool FloorMD5(HCRYPTPROV context, char* digest, const char* text) {
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(context, CALG_MD5, 0, 0, &hash)) return false;
    BYTE value[16];
    DWORD size = sizeof value;
    bool ok = CryptHashData(hash, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(strlen(text)), 0) &&
              CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0);
    CryptDestroyHash(hash);
    for (int i = 0; ok && i < 16; ++i) std::snprintf(digest + i * 2, 3, "%2.2x", value[i]);
    return ok;
}

// Calls a second of `digest` over the texts, or -1 when a call failed. A round also ends after
// half a second, so that a slow digest still gives its rate in a few seconds.
template <typename Digest>
double Rate(const std::vector<std::string>& texts, Digest digest) {
    char out[33];
    const double start = NowSeconds();
    double elapsed = 0;
    int calls = 0;
    while (calls < kCallsPerRound && elapsed < kRoundSeconds) {
        if (!digest(out, texts[static_cast<size_t>(calls) % texts.size()].c_str())) return -1;
        ++calls;
        elapsed = NowSeconds() - start;
    }
    return calls / elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The floor's rate over the texts, on a context held only while it runs: the library's calls
// are timed with no context of the program open, as in a host that uses no provider itself.
double FloorRate(const std::vector<std::string>& texts) {
    HCRYPTPROV context = 0;
    if (!CryptAcquireContextA(&context, nullptr, kProvider, PROV_RSA_FULL, kDigestFlags)) return -1;
    const double rate =
        Rate(texts, [context](char* d, const char* t) { return FloorMD5(context, d, t); });
    CryptReleaseContext(context, 0);
    return rate;
}

// Whether the library's digest of every text is the floor's.
bool SameDigests(const std::vector<std::string>& texts) {
    HCRYPTPROV context = 0;
    if (!CryptAcquireContextA(&context, nullptr, kProvider, PROV_RSA_FULL, kDigestFlags))
        return false;
    bool same = true;
    char library[33], floor[33];
    for (const std::string& text : texts)
        same = same && PeLmMD5(library, text.c_str()) && FloorMD5(context, floor, text.c_str()) &&
               std::strcmp(library, floor) == 0;
    CryptReleaseContext(context, 0);
    return same;
}

}  // namespace

int main() {
    const std::vector<std::string> texts = Texts();
    if (!SameDigests(texts)) {
        std::printf("digest_bench: the library's digests differ from the floor's\n");
        return 1;
    }
    std::vector<double> exported, kept;
    for (int round = 0; round < kRounds; ++round) {
        exported.push_back(Rate(texts, [](char* d, const char* t) { return PeLmMD5(d, t); }));
        kept.push_back(FloorRate(texts));
        if (exported.back() < 0 || kept.back() < 0) {
            std::printf("digest_bench: a digest failed\n");
            return 1;
        }
    }

    double exportedMedian = Median(exported), keptMedian = Median(kept);
    std::printf("PeLmMD5                              median %10.0f calls/s  over %d rounds\n",
                exportedMedian, kRounds);
    std::printf("MD5 on a context kept open (floor)   median %10.0f calls/s\n", keptMedian);
    std::printf("ratio %.4f of the floor (target: PeLmMD5 >= 10000 calls/s)\n",
                exportedMedian / keptMedian);
    return 0;
}
