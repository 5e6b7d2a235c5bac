// Move-only owners for the platform's handle types. Each kind is defined by its invalid value
// and its close function; copying is deleted so that a handle is closed exactly once.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <utility>

// WinHTTP's close, declared as <winhttp.h> does: that header cannot share a translation unit with
// <wininet.h>, which the library's reachability check needs.
extern "C" WINBOOL WINAPI WinHttpCloseHandle(LPVOID);

namespace win32 {

template <typename T, T Invalid, typename Closer>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    bool valid() const { return value_ != Invalid; }
    explicit operator bool() const { return valid(); }

    T release() { return std::exchange(value_, Invalid); }

    // Closing keeps the thread's last error, so a caller can still report why a call failed.
    void reset(T value = Invalid) {
        T old = std::exchange(value_, value);
        if (old != Invalid) {
            DWORD saved = GetLastError();
            Closer()(old);
            SetLastError(saved);
        }
    }

    // For out-parameters of creating calls: releases what was held first.
    T* addressof() {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid;
};

struct CloseHandleFn {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct UnmapViewFn {
    void operator()(void* p) const { ::UnmapViewOfFile(p); }
};
struct ReleaseCryptContextFn {
    void operator()(HCRYPTPROV h) const { ::CryptReleaseContext(h, 0); }
};
struct DestroyCryptHashFn {
    void operator()(HCRYPTHASH h) const { ::CryptDestroyHash(h); }
};
struct DestroyCryptKeyFn {
    void operator()(HCRYPTKEY h) const { ::CryptDestroyKey(h); }
};
struct FreeLibraryFn {
    void operator()(HMODULE m) const { ::FreeLibrary(m); }
};
struct LocalFreeFn {
    void operator()(void* p) const { ::LocalFree(p); }
};
struct FindCloseFn {
    void operator()(HANDLE h) const { ::FindClose(h); }
};
struct HeapFreeFn {
    void operator()(void* p) const { ::HeapFree(::GetProcessHeap(), 0, p); }
};
struct GlobalFreeFn {
    void operator()(void* p) const { ::GlobalFree(p); }
};
struct DeleteGdiObjectFn {
    void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct ReleaseScreenDcFn {
    void operator()(HDC dc) const { ::ReleaseDC(nullptr, dc); }
};
struct DestroyAcceleratorTableFn {
    void operator()(HACCEL table) const { ::DestroyAcceleratorTable(table); }
};
struct WinHttpCloseFn {
    void operator()(void* h) const { ::WinHttpCloseHandle(h); }
};

// Kernel objects whose "none" value is NULL: mutexes, mappings, processes, threads.
using KernelHandle = UniqueResource<HANDLE, nullptr, CloseHandleFn>;
// HANDLE is a pointer type, so INVALID_HANDLE_VALUE cannot be a template argument; files get
// their own small owner below.
using MappedView = UniqueResource<void*, nullptr, UnmapViewFn>;
using CryptContext = UniqueResource<HCRYPTPROV, 0, ReleaseCryptContextFn>;
using CryptHash = UniqueResource<HCRYPTHASH, 0, DestroyCryptHashFn>;
using CryptKey = UniqueResource<HCRYPTKEY, 0, DestroyCryptKeyFn>;
using HeapBlock = UniqueResource<void*, nullptr, HeapFreeFn>;
using LoadedModule = UniqueResource<HMODULE, nullptr, FreeLibraryFn>;
// Memory the system allocated for the caller with LocalAlloc (access lists, message texts).
using LocalMemory = UniqueResource<void*, nullptr, LocalFreeFn>;
// Memory handed over with GlobalAlloc's or owned by the caller after a WinHTTP query (the
// clipboard's text, proxy settings); release() once the system took it.
using GlobalMemory = UniqueResource<void*, nullptr, GlobalFreeFn>;
using FontHandle = UniqueResource<HFONT, nullptr, DeleteGdiObjectFn>;
// The screen's device context (GetDC(nullptr)).
using ScreenDc = UniqueResource<HDC, nullptr, ReleaseScreenDcFn>;
using AcceleratorTable = UniqueResource<HACCEL, nullptr, DestroyAcceleratorTableFn>;
// A WinHTTP session, connection or request.
using WinHttpHandle = UniqueResource<void*, nullptr, WinHttpCloseFn>;
// A directory search; FindFirstFile's INVALID_HANDLE_VALUE goes in as nullptr.
using FindHandle = UniqueResource<HANDLE, nullptr, FindCloseFn>;

// A blob the system allocated with LocalAlloc for its caller (CryptProtectData and
// CryptUnprotectData): wiped before it is freed, since it holds a secret or its sealed form.
class SecretBlob {
public:
    SecretBlob() = default;
    ~SecretBlob() { Wipe(); }
    SecretBlob(const SecretBlob&) = delete;
    SecretBlob& operator=(const SecretBlob&) = delete;

    // For the call's out-parameter; wipes and frees what was held first.
    DATA_BLOB* out() {
        Wipe();
        return &blob_;
    }
    const BYTE* data() const { return blob_.pbData; }
    DWORD size() const { return blob_.cbData; }

private:
    void Wipe() {
        if (blob_.pbData == nullptr) return;
        SecureZeroMemory(blob_.pbData, blob_.cbData);
        LocalFreeFn()(blob_.pbData);
        blob_ = DATA_BLOB{};
    }
    DATA_BLOB blob_{};
};

// A file handle: CreateFile reports failure as INVALID_HANDLE_VALUE, not NULL.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE h) : handle_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}

    HANDLE get() const { return handle_.get(); }
    bool valid() const { return handle_.valid(); }
    explicit operator bool() const { return valid(); }
    void reset() { handle_.reset(); }

private:
    KernelHandle handle_;
};

}  // namespace win32
