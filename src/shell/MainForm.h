// The main browser window: the browser frame around the local site, whose
// creation runs the runner's start-up and whose destruction ends the runner.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "server/Runner.h"
#include "shell/BrowserFrame.h"
#include "shell/TrayIconMan.h"

class TfrmMain : public TBrowserFrame, public TRunner {
public:
    enum class TStartUp { Run, Skip };  // Skip: the window alone, no servers (tests)
    explicit TfrmMain(TStartUp startUp = TStartUp::Run, TWebBrowserFactory browserFactory = CreateWebBrowserHost);
    ~TfrmMain() override;

    // The tray menu's items by their command ids, in menu order.
    enum TTrayCommandId : WORD {
        mnuTray_Show = 500, mnuTray_Separator0, mnuTray_Settings, mnuTray_Separator1, mnuTray_Help, mnuTray_Email,
        mnuTray_Website, mnuTray_About, mnuTray_Separator2, mnuTray_Exit
    };

    TAction actCustomize;
    UniqueMenu mnuTray;  // its visible items only
    std::unique_ptr<TTrayIconMan> TrayIcon;  // while the icon exists

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

    // Called across subsystems
    void NavigateTo(const std::string& url) override { TBrowserFrame::NavigateTo(url); }
    void EnterFullScreen() override;
    void Show() override;  // as the framework shows the main form after its creation

    // Handlers of its own
    void btnBrandClick();
    void actCustomizeExecute();
    virtual void RunCustomize();
    void tmrCloseSplashTimer();

    // Tray icon, tray menu and the window's visibility (MainFormTray.cpp)
    void ShowTrayIcon(bool show) override;
    virtual void EnableTrayIcon(bool enabled);  // disabled, the icon ignores clicks
    void SetMainWindowVisible(bool show);
    void ToggleMainWindow();
    void mnuTray_ShowClick();
    void mnuTray_ExitClick();
    void mnuTray_HelpClick();
    void mnuTray_EmailClick();
    void mnuTray_WebsiteClick();
    void tmrMediumCheckTimer();
    // The tray items that open the customization dialogs (customize/TrayDialogs.cpp)
    void mnuTray_AboutClick();
    void mnuTray_SettingsClick();
    std::string MakeTempExeCopy();

    // Start-up hooks; the frame's own where both windows share them
    void SetCaption(const std::string& title) override;  // the application's title too
    std::string BuildFavoritesMenu() override { return TBrowserFrame::BuildFavoritesMenu(); }
    void SetOrganizeFavoritesBarBreak() override { TBrowserFrame::SetOrganizeFavoritesBarBreak(); }
    void SetBrowserSilent(bool silent) override { TBrowserFrame::SetBrowserSilent(silent); }
    void SetHomeHint(const std::string& hint) override { TBrowserFrame::SetHomeHint(hint); }
    void SetBarsVisible(bool toolbar, bool statusBar) override { TBrowserFrame::SetBarsVisible(toolbar, statusBar); }
    void MoveProgressBarIntoStatusBar() override { TBrowserFrame::MoveProgressBarIntoStatusBar(); }
    void SetAddressText(const std::string& text) override { TBrowserFrame::SetAddressText(text); }
    void PrepareMaximizedStart() override;
    void SetShowMainFormOnStart(bool show) override { showOnStart_ = show; }
    void BringApplicationToFront() override;
    void StartTimer1(unsigned milliseconds) override;
    void StopTimer1() override;
    void SetSettingsItemEnabled(bool enabled) override;
    void ApplyBrandLayout() override;
    void HideCustomizeButton() override;
    void SetApplicationToolWindow(bool toolWindow) override;
    void MinimizeMainWindow() override;
    void StartSplashCloseTimer() override;
    void StopSplashCloseTimer() override;
    bool HideMainWindow() override;

protected:
    void BuildWindow() override;
    std::string HomePage() const override;
    std::string FavoritesPath() const override { return FavoritesFile; }
    void BrowserWindowClosed() override { Quit(); }  // a page closed the main window
    // The main window's own messages, then the frame's.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleCommand(WORD id, WORD code, HWND control) override;
    // What the main window adds once the standard handling is done: the
    // browser's report, the end of the session, a vanished medium, the tray.
    void WndProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Starts the temporary copy that re-stamps this executable; its process id, 0 when it did not start.
    virtual int StartSetupCopy(const std::string& copy, const std::string& parameters);
    // The new address and port into Config.ini, then the copy that stamps them; quits once it runs.
    void HandOverToSetupCopy(const std::string& ip, int port);

private:
    struct TTrayItem {
        WORD Id;
        const wchar_t* Caption;  // null for a separator
        bool Visible;
        bool Enabled;
    };
    LRESULT StandardHandler(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateTrayMenu();
    void RebuildTrayMenu();
    void HideBrandedTrayItems();
    bool TrayCommand(WORD id);
    void HideToTrayWhenMinimized();
    void DeviceChanged();
    bool MediumGone() const;
    static bool ExeOnRemovableMedium();
    // Beside Timer1 (1) and tmrCloseSplash (2).
    static constexpr UINT_PTR tmrMediumCheckId = 3;
    static constexpr UINT MediumCheckDelayMs = 3000;

    bool showOnStart_ = true;
    bool fullScreen_ = false;
    bool runsStartUp_;
    bool shown_ = false;             // shown at least once, in its start state
    bool trayIconFreed_ = false;     // at shutdown: no icon comes back after it
    bool hidingToTray_ = false;
    bool exeOnRemovableMedium_ = false;  // a removed stick's drive has no type left to ask
    bool mediumCheckPending_ = false;
    std::vector<TTrayItem> trayItems_;  // every item, hidden ones too
    UniqueIcon trayIconImage_;          // the destructor frees TrayIcon before it
};

extern TfrmMain* frmMain;
