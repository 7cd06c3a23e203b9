// What the tests of our browser windows share: OLE for the real control,
// browser doubles, keys as the message loop sees them, and read-outs of
// real windows.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "shell/Application.h"
#include "shell/BrowserFrame.h"
#include "shell/FakeWebBrowser.h"
#include "shell/MainForm.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

struct TOle {
    TOle() { OleInitialize(nullptr); }
    ~TOle() { OleUninitialize(); }
};

// Makes browser doubles and remembers each, in the order made.
struct TFakeBrowsers {
    std::vector<TFakeWebBrowser*> Made;
    TWebBrowserFactory Factory() {
        return [this](HWND parent, TWebBrowserEvents&) {
            auto fake = std::make_unique<TFakeWebBrowser>(parent);
            Made.push_back(fake.get());
            return fake;
        };
    }
};

struct TQuitCalled {};  // where the runner's process would end

// The main window without the runner's start-up, its messages at hand.
class TTestMainForm : public TfrmMain {
public:
    explicit TTestMainForm(TWebBrowserFactory factory) : TfrmMain(TStartUp::Skip, std::move(factory)) {}
    LRESULT Message(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return HandleMessage(message, wParam, lParam);
    }

protected:
    [[noreturn]] void EndProcess() override { throw TQuitCalled(); }
};

inline TFakeWebBrowser& FakeOf(TBrowserFrame& form) { return static_cast<TFakeWebBrowser&>(*form.WebBrowser1); }

inline void Pump(unsigned milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        TShellKit::ProcessMessages();
        Sleep(10);
    } while (GetTickCount() < end);
}

// As the application's loop runs: every window's hook before dispatch.
inline void PumpThroughHooks(unsigned milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TApplication::Instance().HookMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() < end);
}

inline RECT RectIn(HWND child, HWND parent) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

inline RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

inline bool Shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

inline std::string Caption(HWND window) {
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return Narrow(text);
}

inline void SetClientSize(HWND window, int width, int height) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, Width(frame), Height(frame), SWP_NOZORDER | SWP_NOMOVE);
}

// Shift and Ctrl as the message loop would see them.
inline void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256]{};
    for (int key : keys) state[key] = 0x80;
    SetKeyboardState(state);
}

// A key press through one window's hook; true when it was handled there.
inline bool PressKey(TMessageHook& hook, HWND target, WORD key, bool alt = false) {
    MSG message{target, static_cast<UINT>(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, alt ? LPARAM(1) << 29 : 0, 0, {}};
    return hook.ApplicationMessage(message);
}

inline void BringToFront(TBrowserFrame& form) {
    form.Show();
    SetForegroundWindow(form.Handle());
    SetFocus(form.Handle());
}
