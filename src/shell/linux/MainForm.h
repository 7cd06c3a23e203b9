// The main browser window on Linux: the browser frame around the local site,
// whose start-up runs the runner's and whose closing ends the runner.
#pragma once
#include <string>

#include "server/linux/Runner.h"
#include "shell/linux/BrowserFrame.h"

class TfrmMain : public TBrowserFrame, public TRunner {
public:
    enum class TStartUp { Run, Skip };  // Skip: the window alone, no servers (tests)
    explicit TfrmMain(TStartUp startUp = TStartUp::Run);

    TAction actCustomize;

    // Called across subsystems
    void NavigateTo(const std::string& url) override { TBrowserFrame::NavigateTo(url); }
    void EnterFullScreen() override;

    // Handlers of its own
    void btnBrandClick() override;
    void actCustomizeExecute();
    virtual void RunCustomize();
    void tmrCloseSplashTimer();
    void WebBrowser1DocumentComplete() override;
    void WebBrowser1FullScreenChange(bool fullScreen) override;
    std::string BuildFavoritesMenu() override { return TBrowserFrame::BuildFavoritesMenu(); }

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
    void ApplyBrandLayout() override { SetCustomizeButtonVisible(false); }
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
    TTimeoutSource timer1_, tmrCloseSplash_;
    bool runsStartUp_;
    bool showOnStart_ = true;
    bool fullScreen_ = false;  // the setting's, for good
    bool documentComplete_ = false;  // the first page is there
};
