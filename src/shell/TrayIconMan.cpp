#include "shell/TrayIconMan.h"

#include <algorithm>
#include <utility>

#include "shell/Application.h"
#include "shell/TrayRules.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {
const wchar_t MessageWindowClass[] = L"TTrayIconManWindow";
const UINT_PTR RetryTimerId = 1;
}

class TTrayIconMan::TMessageWindow : public TWindow {
public:
    explicit TMessageWindow(TTrayIconMan& manager) : manager_(manager) {
        RegisterWindowClass(MessageWindowClass, 0);
        // Hidden top-level, not message-only: only top-level windows hear the
        // "TaskbarCreated" broadcast and the end of the session.
        CreateHandle(MessageWindowClass, "", WS_POPUP, 0, 0, 0, 0, 0, nullptr);
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (Handle() && manager_.MessageWindowProc(message, wParam, lParam, result)) return result;
        return DefaultHandler(message, wParam, lParam);
    }

private:
    TTrayIconMan& manager_;
};

TTrayIconMan::TTrayIconMan(TTickSource tickCount) : tickCount_(std::move(tickCount)) {
    messageWindow_ = std::make_unique<TMessageWindow>(*this);
    FMessageWindow = messageWindow_->Handle();
    FStartTick = tickCount_();
    FTaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
}

TTrayIconMan::~TTrayIconMan() {
    Remove();
    messageWindow_.reset();
}

void TTrayIconMan::Install(HICON icon, const std::string& tip, HWND targetWindow, HMENU rightClickMenu,
                           TNotifyEvent leftClickHandler) {
    if (FInstalled) return;
    FIconData = {};
    FIconData.cbSize = NOTIFYICONDATAW_V2_SIZE;  // the form with the 128-character tip
    FIconData.hWnd = FMessageWindow;
    FIconData.uID = 0;
    FIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    FIconData.uCallbackMessage = CallbackMessage;
    FIconData.hIcon = icon;
    const std::wstring text = Widen(FitTrayTip(tip));
    const size_t length = std::min(text.size(), std::size(FIconData.szTip) - 1);
    std::copy_n(text.begin(), length, FIconData.szTip);
    FIconData.szTip[length] = L'\0';
    FOnLeftClick = std::move(leftClickHandler);
    FRightClickMenu = rightClickMenu;
    FTargetWindow = targetWindow ? targetWindow : ApplicationWindow();
    FInstalled = true;
    AddAgain();
}

void TTrayIconMan::AddAgain() {
    if (!FInstalled) return;
    KillTimer(FMessageWindow, RetryTimerId);
    // A shell too busy to answer in time may still add the icon; a spurious
    // "TaskbarCreated" finds it there already. Either way, asked to change
    // it, the shell says whether it has it.
    FAdded = NotifyIcon(NIM_ADD, FIconData) || NotifyIcon(NIM_MODIFY, FIconData);
    if (FAdded)
        retryDelayMs_ = FirstRetryDelayMs;
    else
        RetryLater();
}

void TTrayIconMan::RetryLater() {
    SetTimer(FMessageWindow, RetryTimerId, retryDelayMs_, nullptr);
    retryDelayMs_ = std::min(retryDelayMs_ * 2, LastRetryDelayMs);
}

void TTrayIconMan::Remove() {
    KillTimer(FMessageWindow, RetryTimerId);
    // Once installed, any add may have taken, reported or not. A restarted
    // taskbar does not bring it back.
    if (!std::exchange(FInstalled, false)) return;
    NotifyIcon(NIM_DELETE, FIconData);
    FAdded = false;
}

void TTrayIconMan::SetEnabled(bool enabled) {
    if (!FInstalled) return;
    FEnabled = enabled;
    FIconData.uCallbackMessage = enabled ? CallbackMessage : 0;
    if (FAdded) NotifyIcon(NIM_MODIFY, FIconData);
}

BOOL TTrayIconMan::NotifyIcon(DWORD message, NOTIFYICONDATAW& data) { return Shell_NotifyIconW(message, &data); }

HWND TTrayIconMan::ApplicationWindow() const {
    HWND application = TApplication::Instance().Handle();
    return application ? application : FMessageWindow;
}

bool TTrayIconMan::MessageWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const std::uint32_t now = tickCount_();
    if (TickWrapped(now, FStartTick)) {
        FStartTick = now;
        FNextClickTick = 0;
    }
    if (message == WM_QUERYENDSESSION) {
        result = 1;  // Windows may go on ending the session
        return true;
    }
    if ((message == FTaskbarCreatedMessage || (message == WM_TIMER && wParam == RetryTimerId)) && FInstalled) {
        // The shell restarted without our icon, or refused it before.
        Guarded([&] { AddAgain(); });
        return true;
    }
    if (message == CallbackMessage) {
        // A click queued before SetEnabled(false) still arrives here.
        if (FEnabled) IconClicked(now, lParam);
        return true;
    }
    return false;
}

void TTrayIconMan::IconClicked(std::uint32_t now, LPARAM mouseMessage) {
    TNotifyEvent handler;
    HMENU menu = nullptr;
    if (mouseMessage == WM_LBUTTONUP) {
        handler = FOnLeftClick;
        menu = FLeftClickMenu;
    } else if (mouseMessage == WM_RBUTTONUP) {
        handler = FOnRightClick;
        menu = FRightClickMenu;
    }
    if (handler) {
        const TClickDecision click = GuardClick(now, FNextClickTick, GetDoubleClickTime());
        FNextClickTick = click.NextClickTick;
        if (click.Run) {
            handler(nullptr);
        } else if (IsWindowVisible(FTargetWindow)) {
            TShellKit::ForceForegroundWindow(ApplicationWindow());
            TShellKit::ForceForegroundWindow(FTargetWindow);
        }
    }
    if (menu) PopupMenuAtCursor(menu);
}

void TTrayIconMan::PopupMenuAtCursor(HMENU menu) {
    // A menu closes when the user clicks elsewhere only if its owner is the
    // foreground window.
    const HWND application = ApplicationWindow();
    TShellKit::ForceForegroundWindow(application);
    if (FTargetWindow != application && IsWindowVisible(FTargetWindow) && !IsIconic(FTargetWindow))
        TShellKit::ForceForegroundWindow(FTargetWindow);
    TShellKit::ProcessMessages();
    SetForegroundWindow(application);
    TShellKit::ProcessMessages();
    POINT cursor{};
    GetCursorPos(&cursor);
    const UINT command = static_cast<UINT>(TrackPopupMenu(
        menu, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0, application, nullptr));
    // Without a message after it, the next menu opened from the tray may not close.
    PostMessageW(application, WM_NULL, 0, 0);
    if (command != 0 && OnMenuCommand) OnMenuCommand(command);
}
