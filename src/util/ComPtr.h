// The one COM smart pointer, and the apartment for a thread that only
// borrows COM for a moment.
#pragma once
#include <objbase.h>
#include <unknwn.h>
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p, bool addRef = true) : p_(p) { if (p_ && addRef) p_->AddRef(); }
    ComPtr(const ComPtr& other) : p_(other.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept { std::swap(p_, other.p_); return *this; }
    ~ComPtr() { Reset(); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() { if (T* old = std::exchange(p_, nullptr)) old->Release(); }
    T* Detach() { return std::exchange(p_, nullptr); }
    // For out-parameters: releases what is held first.
    T** Put() { Reset(); return &p_; }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> result;
        if (p_) p_->QueryInterface(__uuidof(U), result.PutVoid());
        return result;
    }
    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> result;
        if (p_) p_->QueryInterface(iid, result.PutVoid());
        return result;
    }

private:
    T* p_ = nullptr;
};

// The shell may hand ShellExecute's work to COM extensions, which expect a
// single-threaded apartment; a thread that has one already keeps it.
class TComApartment {
public:
    TComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~TComApartment() { if (ok_) CoUninitialize(); }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    bool ok_;
};
