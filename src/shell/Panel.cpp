#include "shell/Panel.h"

#include <commctrl.h>

namespace {
const wchar_t PanelClass[] = L"TPanel";
}

TPanel::TPanel(HWND parent, HWND notifyTarget) : notifyTarget_(notifyTarget) {
    RegisterWindowClass(PanelClass, 0);
    CreateHandle(PanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, 0,
                 parent);
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
        return SendMessageW(notifyTarget_, message, wParam, lParam);
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

HWND THintWindowEx::Create() {
    return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetDesktopWindow(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}
