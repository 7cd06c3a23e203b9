#include "shell/Application.h"

std::string ApplicationTitle() { return TApplication::Instance().Title; }

TApplication& TApplication::Instance() {
    static TApplication application;
    return application;
}

void TApplication::Initialize() {
    if (Handle()) return;
    static const wchar_t className[] = L"TApplication";
    RegisterWindowClass(className);
    CreateHandle(className, Title, WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                 0, 0, 0, 0, 0, nullptr);
}

void TApplication::SetToolWindowStyle(bool toolWindow) {
    // The whole extended style is replaced, then WM_NCCREATE makes the shell re-read it.
    SetWindowLongW(Handle(), GWL_EXSTYLE, toolWindow ? WS_EX_TOOLWINDOW : 0);
    SendMessageW(Handle(), WM_NCCREATE, 0, 0);
}

int TApplication::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
