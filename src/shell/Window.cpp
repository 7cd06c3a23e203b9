#include "shell/Window.h"

#include <exception>
#include <utility>

#include "util/Errors.h"
#include "util/MessageBox.h"
#include "util/Utf.h"

std::string ApplicationTitle();  // Application.cpp

TWindow::~TWindow() {
    if (handle_) {
        // Detach first so no message reaches a half-destroyed object.
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(handle_, nullptr));
    }
}

void TWindow::RegisterWindowClass(const wchar_t* className, UINT style, HICON icon, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = Trampoline;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
}

void TWindow::CreateHandle(const wchar_t* className, const std::string& caption, DWORD style,
                           DWORD exStyle, int x, int y, int width, int height, HWND parent, HMENU menu) {
    HWND hwnd = CreateWindowExW(exStyle, className, Widen(caption).c_str(), style, x, y, width, height,
                                parent, menu, GetModuleHandleW(nullptr), this);
    if (!hwnd) throw EOSError("Error creating window", GetLastError());
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(message, wParam, lParam);
}

LRESULT TWindow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE && !self) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->handle_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowHandlerException(hwnd, error);
    } catch (...) {
        ShowHandlerException(hwnd);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        self->HandleDestroyed();
    }
    return result;
}

void ShowHandlerException(HWND owner, const std::exception& error) {
    ShowMessageBox(owner, WithFinalPeriod(error.what()), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

void ShowHandlerException(HWND owner) {
    ShowMessageBox(owner, "Unknown error.", ApplicationTitle(), MB_OK | MB_ICONERROR);
}

std::optional<TArea> WorkAreaNearest(const TArea& rectangle) {
    const RECT rect{rectangle.Left, rectangle.Top, rectangle.Left + rectangle.Width, rectangle.Top + rectangle.Height};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return std::nullopt;
    const RECT& work = monitor.rcWork;
    return TArea{work.left, work.top, work.right - work.left, work.bottom - work.top};
}
