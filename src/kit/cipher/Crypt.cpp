#include "cipher/Crypt.h"

#include <windows.h>
#include <wincrypt.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <vector>

#include "win32/Handle.h"
#include "win32/PlatformCalls.h"

namespace storage {
namespace {
// The fixed passphrase: every installation and the client program share this key, so that
// files written on one machine stay readable on another.
const char kPassphrase[] = "kr_vol-mip_wex_ta_wex_hu";
const char kProvider[] = "Microsoft Strong Cryptographic Provider";
constexpr DWORD kRc4Key128 = 0x00800000;  // key length 128 bits, no salt, not exportable

// The default key container first, as the cipher has always done; a fresh profile has none,
// so create it; where even that is refused (a locked-down profile), a key container is not
// needed at all for a derived session key.
bool AcquireCipherContext(win32::CryptContext& context) {
    if (win32::Platform().cryptAcquireContext(context.addressof(), nullptr, kProvider,
                                              PROV_RSA_FULL, 0))
        return true;
    if (win32::Platform().cryptAcquireContext(context.addressof(), nullptr, kProvider,
                                              PROV_RSA_FULL, CRYPT_NEWKEYSET))
        return true;
    return win32::Platform().cryptAcquireContext(context.addressof(), nullptr, kProvider,
                                                 PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) != FALSE;
}

bool AcquireDigestContext(win32::CryptContext& context) {
    const DWORD flags = CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET;
    if (win32::Platform().cryptAcquireContext(context.addressof(), nullptr, kProvider,
                                              PROV_RSA_FULL, flags))
        return true;
    return win32::Platform().cryptAcquireContext(context.addressof(), nullptr, kProvider,
                                                 PROV_RSA_FULL, CRYPT_NEWKEYSET) != FALSE;
}

using Acquire = bool (*)(win32::CryptContext&);

// Acquiring a context costs far more than a whole digest or cipher run, so each kind is acquired
// once per process, on first use, and kept until the library unloads or the platform table
// changes (its hook drops it, so that the next call acquires through the entry as it now is).
// Only the context is shared (the provider serves it to any thread); hash and key objects stay
// per call. A failed acquisition keeps nothing, so the next call tries again. Constant-initialised
// and without a destructor, so nothing of it runs while the process ends.
class SharedContext {
public:
    HCRYPTPROV Get(Acquire acquire) {
        HCRYPTPROV handle = handle_.load(std::memory_order_acquire);
        if (handle != 0) return handle;
        AcquireSRWLockExclusive(&lock_);
        handle = handle_.load(std::memory_order_relaxed);
        win32::CryptContext acquired;
        if (handle == 0 && acquire(acquired)) {
            handle = acquired.release();
            handle_.store(handle, std::memory_order_release);
        }
        ReleaseSRWLockExclusive(&lock_);
        return handle;
    }

    void Release() { win32::CryptContext kept(handle_.exchange(0)); }

private:
    std::atomic<HCRYPTPROV> handle_{0};
    SRWLOCK lock_ = SRWLOCK_INIT;
};

SharedContext cipherContext;
SharedContext digestContext;

void DropSharedContexts(win32::PlatformChange) {
    cipherContext.Release();
    digestContext.Release();
}

// Registered while the module loads, before any call can hold a context.
[[maybe_unused]] const bool kDroppedOnPlatformChange =
    (win32::OnPlatformChange(DropSharedContexts), true);

bool RunCipher(std::string& output, const char* data, int length, bool encrypt) {
    if (length < 0 || (data == nullptr && length > 0) || length > CCrypt::kMaxLength) return false;
    const HCRYPTPROV context = cipherContext.Get(AcquireCipherContext);
    if (context == 0) return false;
    win32::CryptHash hash;
    if (!CryptCreateHash(context, CALG_MD5, 0, 0, hash.addressof())) return false;
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(kPassphrase),
                       sizeof kPassphrase - 1, 0))
        return false;
    win32::CryptKey key;
    if (!CryptDeriveKey(context, CALG_RC4, hash.get(), kRc4Key128, key.addressof())) return false;
    std::vector<BYTE> buffer(static_cast<size_t>(length) * 2 + 1);
    if (length > 0) memcpy(buffer.data(), data, static_cast<size_t>(length));
    DWORD count = static_cast<DWORD>(length);
    BOOL done = encrypt ? CryptEncrypt(key.get(), 0, TRUE, 0, buffer.data(), &count,
                                       static_cast<DWORD>(length) * 2)
                        : CryptDecrypt(key.get(), 0, TRUE, 0, buffer.data(), &count);
    if (!done) return false;
    output.assign(reinterpret_cast<const char*>(buffer.data()), count);
    return true;
}
}  // namespace

bool CCrypt::Generate(std::string& output, const char* data, int length, bool encrypt) const {
    // The cipher reports by its result alone, also when memory for the buffers runs out.
    try {
        return RunCipher(output, data, length, encrypt);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CCrypt::MD5(char* digest, const char* text) const {
    if (digest == nullptr || text == nullptr) return false;
    const HCRYPTPROV context = digestContext.Get(AcquireDigestContext);
    if (context == 0) return false;
    win32::CryptHash hash;
    if (!CryptCreateHash(context, CALG_MD5, 0, 0, hash.addressof())) return false;
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text)), 0))
        return false;
    BYTE value[16];
    DWORD size = sizeof value;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value, &size, 0) || size != sizeof value)
        return false;
    for (int i = 0; i < 16; ++i) std::snprintf(digest + i * 2, 3, "%2.2x", value[i]);
    return true;
}

void CCrypt::ReleaseProviderContexts() {
    DropSharedContexts(win32::PlatformChange::kReset);
}

std::string CCrypt::MD5(const std::string& text) const {
    char digest[33];
    return MD5(digest, text.c_str()) ? std::string(digest, 32) : std::string();
}

}  // namespace storage
