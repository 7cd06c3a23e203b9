// The main browser window: the browser frame around the local site, whose
// creation runs the runner's start-up and whose destruction ends the runner.
#pragma once
#include <windows.h>

#include <string>

#include "server/Runner.h"
#include "shell/BrowserFrame.h"

class TfrmMain : public TBrowserFrame, public TRunner {
public:
    enum class TStartUp { Run, Skip };  // Skip: the window alone, no servers (tests)
    explicit TfrmMain(TStartUp startUp = TStartUp::Run, TWebBrowserFactory browserFactory = CreateWebBrowserHost);
    ~TfrmMain() override;

    TAction actCustomize;

    // Called across subsystems
    void NavigateTo(const std::string& url) override { TBrowserFrame::NavigateTo(url); }
    void EnterFullScreen() override;
    void Show() override;  // as the framework shows the main form after its creation

    // Handlers of its own
    void btnBrandClick();
    void actCustomizeExecute();
    virtual void RunCustomize();
    // While disabled, the tray icon ignores clicks (around modal dialogs).
    virtual void EnableTrayIcon(bool /*enabled*/) {}
    void tmrCloseSplashTimer();

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
    void ApplyBrandLayout() override;
    void HideCustomizeButton() override;
    void SetApplicationToolWindow(bool toolWindow) override;
    void MinimizeMainWindow() override;
    void StartSplashCloseTimer() override;
    void StopSplashCloseTimer() override;
    bool HideMainWindow() override;

protected:
    std::string HomePage() const override;
    std::string FavoritesPath() const override { return FavoritesFile; }
    void BrowserWindowClosed() override { Quit(); }  // a page closed the main window
    // The main window's own messages, then the frame's.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleCommand(WORD id, WORD code, HWND control) override;

private:
    bool showOnStart_ = true;
    bool fullScreen_ = false;
    bool runsStartUp_;
};

extern TfrmMain* frmMain;
