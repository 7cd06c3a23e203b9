// The runner's icon in the notification area, with a hidden window of its
// own that receives the icon's clicks.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "shell/Window.h"

class TTrayIconMan {
public:
    using TNotifyEvent = std::function<void(void* sender)>;  // sender is always null
    using TTickSource = std::function<std::uint32_t()>;
    // The callback message while clicks are reported (WM_USER + 1).
    static constexpr UINT CallbackMessage = WM_USER + 1;
    // A refused icon is tried again after this, then after twice as long
    // each time up to the last: each try may wait seconds for a hung shell.
    static constexpr UINT FirstRetryDelayMs = 1000, LastRetryDelayMs = 60000;

    explicit TTrayIconMan(TTickSource tickCount = GetTickCount);
    TTrayIconMan(const TTrayIconMan&) = delete;
    TTrayIconMan& operator=(const TTrayIconMan&) = delete;
    virtual ~TTrayIconMan();

    // Adds the icon once; target 0 means the application's window. The shell
    // may refuse (a taskbar still starting, a busy one): Added() tells, and
    // the icon is tried again on a timer and when the taskbar is created.
    void Install(HICON icon, const std::string& tip, HWND targetWindow, HMENU rightClickMenu,
                 TNotifyEvent leftClickHandler);
    // Adds the installed icon again: the shell lost it, or refused it before.
    void AddAgain();
    // Deletes the icon from the shell whenever it may be there.
    void Remove();
    // A disabled icon stays, but reports no clicks.
    void SetEnabled(bool enabled);

    // Where a pick from the icon's menu goes: the chosen item's command id.
    std::function<void(UINT command)> OnMenuCommand;

    bool Added() const { return FAdded; }
    bool Enabled() const { return FEnabled; }
    UINT TaskbarCreatedMessage() const { return FTaskbarCreatedMessage; }
    HWND MessageWindow() const { return FMessageWindow; }
    const NOTIFYICONDATAW& IconData() const { return FIconData; }

protected:
    // The shell's notification-area service.
    virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data);

private:
    class TMessageWindow;
    bool MessageWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void IconClicked(std::uint32_t now, LPARAM mouseMessage);
    void PopupMenuAtCursor(HMENU menu);
    void RetryLater();
    HWND ApplicationWindow() const;

    UINT FTaskbarCreatedMessage = 0;
    bool FInstalled = false;
    bool FAdded = false;  // the shell holds the icon
    bool FEnabled = true;
    TNotifyEvent FOnLeftClick, FOnRightClick;
    HMENU FLeftClickMenu = nullptr, FRightClickMenu = nullptr;
    HWND FTargetWindow = nullptr;
    HWND FMessageWindow = nullptr;
    NOTIFYICONDATAW FIconData{};
    std::uint32_t FStartTick = 0;
    std::uint32_t FNextClickTick = 0;
    UINT retryDelayMs_ = FirstRetryDelayMs;

    TTickSource tickCount_;
    std::unique_ptr<TMessageWindow> messageWindow_;
};
