// Owner of one COM interface pointer: the reference is released exactly once.
#pragma once

#include <unknwn.h>

#include <utility>

namespace win32 {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
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

private:
    T* ptr_ = nullptr;
};

}  // namespace win32
