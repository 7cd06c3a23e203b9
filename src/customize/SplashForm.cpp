#include "customize/SplashForm.h"

#include <algorithm>

#include "customize/SplashRules.h"
#include "util/Errors.h"
#include "util/ShellKit.h"
#include "util/image/PictureLoader.h"

TfrmSplash* frmSplash = nullptr;

namespace {

const wchar_t SplashClassName[] = L"TfrmSplash";
const wchar_t ImageClassName[] = L"TImage";

UniqueBitmap MakeBitmap(const TPicture& picture) {
    if (picture.Empty()) return UniqueBitmap();
    std::uint8_t* bits = nullptr;
    UniqueBitmap bitmap = CreateBgraBitmap(picture.Width, picture.Height, bits);
    std::copy(picture.Bgra.begin(), picture.Bgra.end(), bits);
    return bitmap;
}

}  // namespace

UniqueBitmap CreateBgraBitmap(int width, int height, std::uint8_t*& bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, like TPicture
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!bitmap) throw EOSError("Error creating bitmap", GetLastError());
    bits = static_cast<std::uint8_t*>(memory);
    return bitmap;
}

void TImage::Create(HWND parent) {
    RegisterWindowClass(ImageClassName);
    CreateHandle(ImageClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, 0, parent);
}

void TImage::SetPicture(const TPicture& picture) {
    // Translucent parts show the form's face colour.
    TPicture flat = picture;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    FlattenOnto(flat, GetRValue(face), GetGValue(face), GetBValue(face));
    bitmap_ = MakeBitmap(flat);
    width_ = picture.Width;
    height_ = picture.Height;
    SetWindowPos(Handle(), nullptr, 0, 0, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT TImage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the picture covers the whole control
    case WM_LBUTTONUP:
        if (OnClick) OnClick();
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

void TImage::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    if (bitmap_) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap_.Get());
        BitBlt(dc, 0, 0, width_, height_, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    EndPaint(Handle(), &paint);
}

TfrmSplash* TfrmSplash::Create(HWND owner) {
    auto* form = new TfrmSplash();
    form->owner_ = owner;
    try {
        RegisterWindowClass(SplashClassName);
        form->CreateHandle(SplashClassName, "", WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST,
                           CW_USEDEFAULT, CW_USEDEFAULT, 472, 333, owner);
        form->Image1.Create(form->Handle());
        form->Image1.OnClick = [form] { form->Image1Click(); };
    } catch (...) {
        delete form;
        throw;
    }
    form->FormCreate();
    return form;
}

void TfrmSplash::Show() {
    FormShow();
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(Handle());
}

void TfrmSplash::FormCreate() { FShown = false; }

void TfrmSplash::FormShow() {
    const std::string data = TShellKit::ReadResourceText("RES_SPLASH");
    TPicture picture;
    TShellKit::LoadPictureFromString(picture, data);
    Image1.SetPicture(picture);
    const TSplashBounds bounds = CentredSplashBounds(Image1.Width(), Image1.Height(),
                                                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(Handle(), nullptr, bounds.Left, bounds.Top, bounds.Width, bounds.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FShown = true;
}

void TfrmSplash::FormClose() { DestroyWindow(Handle()); }

void TfrmSplash::FormDestroy() {
    if (frmSplash == this) frmSplash = nullptr;
}

// The window is destroyed inside the handling of another message (WM_CLOSE,
// or the system menu's close whose default handling sends it), whose handler
// still reads the form when the destruction returns to it.
void TfrmSplash::HandleDestroyed() {
    FormDestroy();
    if (messageDepth_ == 0)
        delete this;
    else
        destroyed_ = true;
}

LRESULT TfrmSplash::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    struct TDepth {
        TfrmSplash* form;
        ~TDepth() {
            if (--form->messageDepth_ == 0 && form->destroyed_) delete form;
        }
    } depth{this};
    ++messageDepth_;
    return WndProc(message, wParam, lParam);
}

LRESULT TfrmSplash::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
    case WM_CLOSE:
        FormClose();
        break;
    case WM_LBUTTONUP:
        Image1Click();
        break;
    default:
        result = DefaultHandler(message, wParam, lParam);
    }
    if (!FShown) return result;
    if (message == WM_QUERYENDSESSION) result = 1;
    if (message == WM_WINDOWPOSCHANGING || message == WM_WINDOWPOSCHANGED) KeepOwnerTopmost();
    return result;
}

// Moving the owner can send us position messages again: one level is enough.
void TfrmSplash::KeepOwnerTopmost() {
    if (keepingTopmost_ || !owner_) return;
    keepingTopmost_ = true;
    SetWindowPos(owner_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    keepingTopmost_ = false;
}
