// Owner of one COM string (BSTR): allocated with the system allocator, freed exactly once.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <utility>

namespace win32 {

class Bstr {
public:
    Bstr() = default;
    // Throws std::bad_alloc when the system cannot allocate the string.
    explicit Bstr(const std::wstring& text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (value_ == nullptr) throw std::bad_alloc();
    }
    ~Bstr() { SysFreeString(value_); }

    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }

    BSTR get() const { return value_; }
    // For out-parameters of the calls that hand out a string.
    BSTR* addressof() {
        SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    std::wstring Text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : L""; }

private:
    BSTR value_ = nullptr;
};

}  // namespace win32
