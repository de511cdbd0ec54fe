#pragma once
#include <unknwn.h>

#include <utility>

namespace fw {

// Owns one reference to a COM interface.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : p_(other.p_) { addRef(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { release(); }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr attach(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases the current reference first.
    T** put() {
        release();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    void addRef() {
        if (p_) p_->AddRef();
    }
    void release() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* p_ = nullptr;
};

// CoInitializeEx for the lifetime of the object, on this thread; balanced only when it succeeded.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED);
    ~ComInit();
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    bool ok() const { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

} // namespace fw
