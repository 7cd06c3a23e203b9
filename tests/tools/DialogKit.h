// Driving our dialogs from tests: steps that run inside whatever modal loop
// is running, and read-outs of what a control shows.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

inline std::deque<std::function<void()>>& PendingSteps() {
    static std::deque<std::function<void()>> steps;
    return steps;
}

inline unsigned& StepInterval() {
    static unsigned milliseconds = 10;
    return milliseconds;
}

inline void CALLBACK RunNextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (PendingSteps().empty()) return;
    std::function<void()> step = std::move(PendingSteps().front());
    PendingSteps().pop_front();
    // Armed before the step runs, so that a step that blocks (a menu) still
    // gets the next one.
    if (!PendingSteps().empty()) SetTimer(nullptr, 0, StepInterval(), RunNextStep);
    step();
}

// Each step runs once the messages the one before it posted have been
// handled (a timer fires only when nothing else is waiting in the queue),
// and at least interval milliseconds after it.
inline void RunSteps(std::vector<std::function<void()>> steps, unsigned interval = 10) {
    for (auto& step : steps) PendingSteps().push_back(std::move(step));
    StepInterval() = interval;
    SetTimer(nullptr, 0, interval, RunNextStep);
}

inline void PostKey(HWND target, WORD key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

inline void PostAltKey(HWND target, wchar_t letter) { PostMessageW(target, WM_SYSCHAR, letter, LPARAM(1) << 29); }

// The text colour a control of dialog is painted with.
inline COLORREF PaintedTextColor(HWND dialog, HWND control, UINT message = WM_CTLCOLORSTATIC) {
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(dialog, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    const COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    return color;
}

inline LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

// The controls Tab visits from first until it comes back round.
inline std::vector<HWND> TabChain(HWND dialog, HWND first) {
    std::vector<HWND> chain;
    for (HWND control = first; control && chain.size() < 64;) {
        chain.push_back(control);
        control = GetNextDlgTabItem(dialog, control, FALSE);
        if (control == first) break;
    }
    return chain;
}

inline SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

inline bool HasStyle(HWND window, LONG style) { return (GetWindowLongW(window, GWL_STYLE) & style) == style; }
