// One move-only owner per handle kind.
#pragma once
#include <windows.h>
#include <winsock2.h>
#include <objbase.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <utility>

template <class Traits>
class UniqueHandleOf {
public:
    using Handle = typename Traits::Handle;
    UniqueHandleOf() = default;
    explicit UniqueHandleOf(Handle h) : handle_(Traits::Normalize(h)) {}
    UniqueHandleOf(const UniqueHandleOf&) = delete;
    UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;
    UniqueHandleOf(UniqueHandleOf&& other) noexcept : handle_(other.Release()) {}
    UniqueHandleOf& operator=(UniqueHandleOf&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandleOf() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
    void Reset(Handle h = Traits::Invalid()) {
        Handle old = std::exchange(handle_, Traits::Normalize(h));
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Invalid();
};

template <class H, auto CloseFn, H InvalidValue = nullptr>
struct SimpleHandleTraits {
    using Handle = H;
    static Handle Invalid() { return InvalidValue; }
    static Handle Normalize(Handle h) { return h; }
    static void Close(Handle h) { CloseFn(h); }
};

// Kernel handles come back as either NULL or INVALID_HANDLE_VALUE on failure.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static Handle Normalize(Handle h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static Handle Normalize(Handle h) { return h ? h : INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};

struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() { return INVALID_SOCKET; }
    static Handle Normalize(Handle h) { return h; }
    static void Close(Handle h) { closesocket(h); }
};

// An update left open is discarded, so the target file is untouched.
struct ResourceUpdateTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static Handle Normalize(Handle h) { return h; }
    static void Close(Handle h) { EndUpdateResourceW(h, TRUE); }
};

inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }

using UniqueHandle = UniqueHandleOf<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandleOf<FindHandleTraits>;
using UniqueSocket = UniqueHandleOf<SocketTraits>;
using UniqueUpdateHandle = UniqueHandleOf<ResourceUpdateTraits>;
using UniqueModule = UniqueHandleOf<SimpleHandleTraits<HMODULE, FreeLibrary>>;
using UniqueIcon = UniqueHandleOf<SimpleHandleTraits<HICON, DestroyIcon>>;
using UniqueMenu = UniqueHandleOf<SimpleHandleTraits<HMENU, DestroyMenu>>;
using UniqueBitmap = UniqueHandleOf<SimpleHandleTraits<HBITMAP, DeleteGdiObject>>;
using UniqueBrush = UniqueHandleOf<SimpleHandleTraits<HBRUSH, DeleteGdiObject>>;
using UniqueFont = UniqueHandleOf<SimpleHandleTraits<HFONT, DeleteGdiObject>>;
using UniqueImageList = UniqueHandleOf<SimpleHandleTraits<HIMAGELIST, ImageList_Destroy>>;
using UniqueWindow = UniqueHandleOf<SimpleHandleTraits<HWND, DestroyWindow>>;
// Memory the shell hands over for the caller to free (item id lists and the like).
template <class T>
using UniqueCoTaskMem = UniqueHandleOf<SimpleHandleTraits<T*, CoTaskMemFree>>;
// Memory the security functions hand over for the caller to free.
inline void FreeLocal(HLOCAL memory) { LocalFree(memory); }
using UniqueLocal = UniqueHandleOf<SimpleHandleTraits<HLOCAL, FreeLocal>>;
