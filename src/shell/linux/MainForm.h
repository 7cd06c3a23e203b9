// The main browser window on Linux: the browser frame around the local site,
// whose start-up runs the runner's and whose closing ends the runner.
#pragma once
#include <gio/gunixmounts.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "server/linux/Runner.h"
#include "shell/linux/BrowserFrame.h"
#include "shell/linux/TrayIconMan.h"

class TfrmMain : public TBrowserFrame, public TRunner {
public:
    enum class TStartUp { Run, Skip };  // Skip: the window alone, no servers (tests)
    explicit TfrmMain(TStartUp startUp = TStartUp::Run);

    // Clicks on the tray icon are ignored while one of these lives: around modal dialogs.
    class TTrayIconPause {
    public:
        explicit TTrayIconPause(TfrmMain& form) : form_(form) { form_.EnableTrayIcon(false); }
        ~TTrayIconPause() { form_.EnableTrayIcon(true); }
        TTrayIconPause(const TTrayIconPause&) = delete;
        TTrayIconPause& operator=(const TTrayIconPause&) = delete;

    private:
        TfrmMain& form_;
    };

    TAction actCustomize;
    // The tray menu (the form owns it) and the icon, while there is one.
    GtkWidget *mnuTray = nullptr, *mnuTray_Show = nullptr, *mnuTray_Separator0 = nullptr,
              *mnuTray_Settings = nullptr, *mnuTray_Separator1 = nullptr, *mnuTray_About = nullptr,
              *mnuTray_Separator2 = nullptr, *mnuTray_Exit = nullptr;
    std::unique_ptr<TTrayIconMan> TrayIcon;

    // Called across subsystems
    void NavigateTo(const std::string& url) override { TBrowserFrame::NavigateTo(url); }
    void EnterFullScreen() override;
    void ShowTrayIcon(bool show) override;
    void EnableTrayIcon(bool enabled);
    void SetMainWindowVisible(bool show);
    void ToggleMainWindow();
    void SetBusy(bool busy);

    // Handlers of its own
    void btnBrandClick() override;
    void actCustomizeExecute();
    virtual void RunCustomize();
    void tmrCloseSplashTimer();
    void WebBrowser1DocumentComplete() override;
    void WebBrowser1FullScreenChange(bool fullScreen) override;
    std::string BuildFavoritesMenu() override { return TBrowserFrame::BuildFavoritesMenu(); }
    void mnuTray_ShowClick() { ToggleMainWindow(); }
    virtual void mnuTray_SettingsClick();
    void mnuTray_AboutClick();
    void mnuTray_ExitClick() { Quit(); }
    // Change IP Address or Port: the settings stamped into the executable by a
    // copy of it, which starts it again once this runner has ended.
    void HandOverToSetupCopy(const std::string& ip, int port);

    // Start-up hooks; the frame's own where both windows share them
    void SetCaption(const std::string& title) override { TBrowserFrame::SetCaption(title); }
    void SetHomeHint(const std::string& hint) override { TBrowserFrame::SetHomeHint(hint); }
    void SetBarsVisible(bool toolbar, bool statusBar) override;
    void SetAddressText(const std::string& text) override { TBrowserFrame::SetAddressText(text); }
    void PrepareMaximizedStart() override;
    void SetShowMainFormOnStart(bool show) override { showOnStart_ = show; }
    void ShowMainForm() override;
    void BringApplicationToFront() override;
    void StartTimer1(unsigned milliseconds) override;
    void StopTimer1() override { timer1_.Stop(); }
    void ApplyBrandLayout() override;
    void SetSettingsItemEnabled(bool enabled) override;
    void HideCustomizeButton() override { SetCustomizeButtonVisible(false); }
    void MinimizeMainWindow() override { gtk_window_iconify(Handle()); }
    void StartSplashCloseTimer() override;
    void StopSplashCloseTimer() override { tmrCloseSplash_.Stop(); }
    bool HideMainWindow() override;
    void ShowMessage(const std::string& text, const std::string& caption, bool error) override;

protected:
    void BuildWindow() override;
    WebKitWebView* CreateWebView() override;
    std::string HomePage() const override;
    std::string FavoritesPath() const override { return FavoritesFile; }
    void BrowserWindowClosed() override { Quit(); }  // a page closed the main window
    void FormClose() override;

private:
    friend struct TMainFormSignals;
    friend struct TMainFormTraySignals;
    using THandler = void (TfrmMain::*)();
    void CreateTray();
    GtkWidget* AddTrayItem(const char* caption, THandler handler);
    void TrayItemChosen(GtkWidget* item);
    void HideBrandedTrayItems();
    std::string TrayIconFile(GdkPixbuf* icon) const;
    void WindowStateChanged(const GdkEventWindowState& event);
    void HideToTrayWhenMinimized();
    void WatchMedium();
    void MountsChanged();
    bool MediumGone() const;
    TChildProcess StartSplashProcess() override;

    TTimeoutSource timer1_, tmrCloseSplash_, mediumCheck_;
    TTimeoutSource trayPick_;  // a pick runs from the main loop: Exit frees the menu
    GtkWidget* pickedTrayItem_ = nullptr;
    std::vector<std::pair<GtkWidget*, THandler>> trayHandlers_;
    std::vector<TSignalConnection> traySignals_;
    GObjectPtr<GtkWidget> trayMenu_;
    GObjectPtr<GUnixMountMonitor> mounts_;
    dev_t appDevice_ = 0;
    bool trayIconFreed_ = false;  // shut down: no icon any more
    bool runsStartUp_;
    bool showOnStart_ = true;
    bool fullScreen_ = false;  // the setting's, for good
    bool documentComplete_ = false;  // the first page is there
};
