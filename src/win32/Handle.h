// Move-only owners for the platform's handle types. Each kind is defined by its invalid value
// and its close function; copying is deleted so that a handle is closed exactly once.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <utility>

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
// A directory search; FindFirstFile's INVALID_HANDLE_VALUE goes in as nullptr (see FindFirst).
using FindHandle = UniqueResource<HANDLE, nullptr, FindCloseFn>;

inline FindHandle FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW& found) {
    const HANDLE search = FindFirstFileW(pattern, &found);
    return FindHandle(search == INVALID_HANDLE_VALUE ? nullptr : search);
}

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
