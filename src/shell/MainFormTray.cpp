// The main window's part in the notification area: its icon and menu, hiding
// to the tray and coming back, and the window procedure's steps after the
// standard handling.
#include "server/Product.h"
#include "server/ServerText.h"
#include "shell/MainForm.h"
#include "shell/TrayIconMan.h"
#include "util/Guard.h"
#include "util/Maker.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

// ---- the tray menu

void TfrmMain::CreateTrayMenu() {
    trayItems_ = {
        {mnuTray_Show, L"&Show/Hide Main Window", true, true},
        {mnuTray_Separator0, nullptr, true, true},
        {mnuTray_Settings, L"&Change IP Address or Port...", true, true},
        {mnuTray_Separator1, nullptr, true, true},
        {mnuTray_Help, L"&Help", false, true},
        {mnuTray_Email, L"&Contact Us", false, true},
        {mnuTray_Website, L"&Visit Website", false, true},
        {mnuTray_About, L"&About...", false, true},
        {mnuTray_Separator2, nullptr, false, true},
        {mnuTray_Exit, L"E&xit", true, true},
    };
    mnuTray.Reset(CreatePopupMenu());
    RebuildTrayMenu();
}

// A hidden item is not in the menu at all, as the user sees it.
void TfrmMain::RebuildTrayMenu() {
    HMENU menu = mnuTray.Get();
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    for (const TTrayItem& item : trayItems_) {
        if (!item.Visible) continue;
        const UINT flags = item.Caption ? MF_STRING | (item.Enabled ? 0 : MF_GRAYED) : MF_SEPARATOR;
        AppendMenuW(menu, flags, item.Id, item.Caption);
    }
    SetMenuDefaultItem(menu, mnuTray_Show, FALSE);
}

void TfrmMain::SetSettingsItemEnabled(bool enabled) {
    for (TTrayItem& item : trayItems_)
        if (item.Id == mnuTray_Settings) item.Enabled = enabled;
    RebuildTrayMenu();
}

// Everything between the first two items and the last: Show/Hide, one separator and Exit remain.
void TfrmMain::HideBrandedTrayItems() {
    for (size_t index = 2; index + 1 < trayItems_.size(); ++index) trayItems_[index].Visible = false;
    RebuildTrayMenu();
}

bool TfrmMain::TrayCommand(WORD id) {
    switch (id) {
    case mnuTray_Show: mnuTray_ShowClick(); return true;
    case mnuTray_Settings: mnuTray_SettingsClick(); return true;
    case mnuTray_Help: mnuTray_HelpClick(); return true;
    case mnuTray_Email: mnuTray_EmailClick(); return true;
    case mnuTray_Website: mnuTray_WebsiteClick(); return true;
    case mnuTray_About: mnuTray_AboutClick(); return true;
    case mnuTray_Exit: mnuTray_ExitClick(); return true;
    default: return false;
    }
}

// ---- the icon

void TfrmMain::ShowTrayIcon(bool show) {
    if (!show) {
        trayIconFreed_ = true;
        Guarded([&] { TrayIcon.reset(); });
        return;
    }
    if (trayIconFreed_ || TrayIcon) return;  // a refused icon is the manager's to try again
    if (TShellKit::GetShellProcessId() == 0) return;
    if (!trayIconImage_)
        trayIconImage_.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                                           GetSystemMetrics(SM_CXSMICON),
                                                           GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    auto tray = std::make_unique<TTrayIconMan>();
    // A pick runs from the main window's own queue, not from inside the
    // manager's window procedure: Exit frees the manager.
    tray->OnMenuCommand = [this](UINT command) { PostMessageW(Handle(), WM_COMMAND, command, 0); };
    // Our main window holds the taskbar button, so it is the window clicks bring to the front.
    tray->Install(trayIconImage_.Get(), ProductTitle, Handle(), mnuTray.Get(), [this](void*) { ToggleMainWindow(); });
    TrayIcon = std::move(tray);
}

void TfrmMain::EnableTrayIcon(bool enabled) {
    if (TrayIcon) TrayIcon->SetEnabled(enabled);
}

// ---- showing and hiding

// The application's window gets the tool-window style while we are hidden,
// so nothing of ours stays on the taskbar. It stays hidden itself: the main
// window carries the taskbar button, and showing the other would add a second.
void TfrmMain::SetMainWindowVisible(bool show) {
    TApplication& application = TApplication::Instance();
    HWND window = Handle();
    if (show) {
        if (application.Handle()) application.SetToolWindowStyle(false);
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        else if (!shown_)
            Show();  // first time: in the start state (maximized, full screen)
        else
            ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    } else {
        if (application.Handle()) {
            ShowWindow(application.Handle(), SW_HIDE);
            application.SetToolWindowStyle(true);
        }
        ShowWindow(window, SW_HIDE);
    }
    if (IsWindowVisible(window)) Guarded([&] { FormResize(); });
}

void TfrmMain::ToggleMainWindow() { SetMainWindowVisible(!IsWindowVisible(Handle())); }

// Only with the icon there to bring the window back.
void TfrmMain::HideToTrayWhenMinimized() {
    if (hidingToTray_ || !TrayIcon || !TrayIcon->Added() || !IsIconic(Handle()) || !IsWindowVisible(Handle()))
        return;
    hidingToTray_ = true;
    // The taskbar takes the activation, so hiding does not hand it to some other window.
    SetForegroundWindow(FindWindowW(L"Shell_TrayWnd", L""));
    TShellKit::ProcessMessages();
    SetMainWindowVisible(false);
    hidingToTray_ = false;
}

// ---- window procedure, after the standard handling

bool TfrmMain::MediumGone() const { return !TShellKit::GetDriveVolumeLabel(TShellKit::GetExeFileName()); }

bool TfrmMain::ExeOnRemovableMedium() {
    wchar_t root[MAX_PATH + 1] = L"";
    if (!GetVolumePathNameW(Widen(TShellKit::GetExeFileName()).c_str(), root, MAX_PATH + 1)) return false;
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_CDROM || type == DRIVE_REMOVABLE;
}

// Only the disc or stick we run from going away ends the runner, and only
// when it is still gone a moment later: a drive waking from sleep may fail
// to answer once. A network or fixed drive is never taken for gone.
void TfrmMain::DeviceChanged() {
    if (mediumCheckPending_ || !exeOnRemovableMedium_ || !MediumGone()) return;
    mediumCheckPending_ = true;
    SetTimer(Handle(), tmrMediumCheckId, MediumCheckDelayMs, nullptr);
}

void TfrmMain::tmrMediumCheckTimer() {
    KillTimer(Handle(), tmrMediumCheckId);
    mediumCheckPending_ = false;
    bool gone = false;
    Guarded([&] { gone = MediumGone(); });
    if (gone) Quit();
}

void TfrmMain::WndProc(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    // An external browser reports a process of its own for shutdown to end.
    if (BrowserMessageId != 0 && message == BrowserMessageId)
        Guarded([&] { ReportBrowserProcess(static_cast<int>(wParam)); });
    if (message == WM_QUERYENDSESSION) {
        result = 1;
        Quit();
    }
    if (message == WM_DEVICECHANGE) Guarded([&] { DeviceChanged(); });
    if (message == WM_TIMER && wParam == tmrMediumCheckId) tmrMediumCheckTimer();

    if (!Started || !TrayIconEnabled) return;
    // Start-up tried once; while the shell was not running, every later message tries again.
    Guarded([&] { ShowTrayIcon(true); });
    HideToTrayWhenMinimized();
}

// ---- tray menu handlers

void TfrmMain::mnuTray_ShowClick() { ToggleMainWindow(); }

void TfrmMain::mnuTray_ExitClick() { Quit(); }

void TfrmMain::mnuTray_HelpClick() {
    SetMainWindowVisible(true);
    SetAddressText(HomeAddress(WebPort) + "/korvane-help");
    NavigateTo(AddressText());
}

void TfrmMain::mnuTray_EmailClick() { TShellKit::OpenContactMail(); }

void TfrmMain::mnuTray_WebsiteClick() {
    SetMainWindowVisible(true);
    SetAddressText(MakerWebSite);
    NavigateTo(AddressText());
}
