// Owner of one COM interface pointer. Copies share the object (one more reference); the
// reference is released exactly once per owner.
#pragma once

#include <unknwn.h>

#include <utility>

namespace win32 {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_ != nullptr) ptr_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    void reset() {
        if (T* old = std::exchange(ptr_, nullptr)) old->Release();
    }

    // For out-parameters of creating calls: releases what was held first.
    T** addressof() {
        reset();
        return &ptr_;
    }

    // Asks the object for another interface; the HRESULT of the query.
    template <typename U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const {
        if (ptr_ == nullptr) return E_POINTER;
        return ptr_->QueryInterface(iid, reinterpret_cast<void**>(out.addressof()));
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace win32
