#include "shell/Application.h"

#include <algorithm>

namespace {

const UINT WM_RELEASEFORM = WM_APP + 1;  // lParam: the form

}  // namespace

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

TWindow& TApplication::AdoptForm(std::unique_ptr<TWindow> form) {
    forms_.push_back(std::move(form));
    return *forms_.back();
}

void TApplication::ReleaseForm(TWindow& form) {
    Initialize();
    PostMessageW(Handle(), WM_RELEASEFORM, 0, reinterpret_cast<LPARAM>(&form));
}

LRESULT TApplication::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_RELEASEFORM) return DefaultHandler(message, wParam, lParam);
    FreeForm(reinterpret_cast<const TWindow*>(lParam));
    return 0;
}

// Only a form still owned: one freed meanwhile is not touched again.
void TApplication::FreeForm(const TWindow* form) {
    const auto found =
        std::find_if(forms_.begin(), forms_.end(), [&](const auto& owned) { return owned.get() == form; });
    if (found == forms_.end()) return;
    const std::unique_ptr<TWindow> freed = std::move(*found);  // out of the list before its destructor runs
    forms_.erase(found);
}

void TApplication::FreeForms() {
    while (!forms_.empty()) FreeForm(forms_.back().get());
}
