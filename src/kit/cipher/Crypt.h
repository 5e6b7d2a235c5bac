// The one cipher and digest of the library: RC4 under a fixed key (the MD5 of a built-in
// passphrase) and MD5 as 32 lower-case hex characters, both on the platform's provider.
// Create one where needed: the objects hold nothing; the provider's contexts are the process's,
// acquired on first use. Failures are reported by the result, never thrown.
#pragma once

#include <climits>
#include <string>

namespace storage {

class CCrypt {
public:
    // The longest data the cipher takes: its buffer holds twice the length within an int.
    static constexpr int kMaxLength = INT_MAX / 2;

    // Encrypts or decrypts (the same operation for RC4) the first `length` bytes of `data`
    // into `output`, which then holds exactly `length` raw bytes, NULs included. A negative
    // length or one past kMaxLength is refused before anything is read. On false `output` must
    // not be used.
    bool Generate(std::string& output, const char* data, int length, bool encrypt) const;

    // Writes the MD5 of the NUL-terminated `text` as 32 lower-case hex digits and a NUL into
    // `digest` (33 bytes). On false `digest` keeps its former content.
    bool MD5(char* digest, const char* text) const;

    // Convenience forms. A text past kMaxLength is refused whole, never cut to an int's width.
    bool Generate(std::string& output, const std::string& data, bool encrypt) const {
        return data.size() <= static_cast<size_t>(kMaxLength) &&
               Generate(output, data.data(), static_cast<int>(data.size()), encrypt);
    }
    std::string MD5(const std::string& text) const;

    // Releases the process's provider contexts (the library's unload). No call may run meanwhile;
    // a later call acquires them afresh.
    static void ReleaseProviderContexts();
};

}  // namespace storage
