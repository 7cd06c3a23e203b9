#include "shell/Application.h"

#include <algorithm>

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
        if (HookMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void TApplication::AddMessageHook(TMessageHook& hook) { hooks_.push_back(&hook); }

void TApplication::RemoveMessageHook(TMessageHook& hook) {
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), &hook), hooks_.end());
}

bool TApplication::HookMessage(MSG& message) {
    // By index: a hook may remove itself (its window closing) while we walk.
    for (size_t i = 0; i < hooks_.size(); ++i) {
        if (hooks_[i]->ApplicationMessage(message)) return true;
    }
    return false;
}
