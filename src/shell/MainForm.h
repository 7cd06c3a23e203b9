// The main browser window: the embedded control with its frame of menu
// button, toolbar, address box, Go button and status bar. Its creation runs
// the runner's start-up.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/Runner.h"
#include "shell/Application.h"
#include "shell/WebBrowser.h"
#include "shell/Window.h"
#include "util/Handles.h"

class TPanel;

struct TShortCut {
    WORD Key = 0;
    bool Shift = false, Ctrl = false, Alt = false;
};

struct TAction {
    std::string Caption;
    TShortCut ShortCut;
    std::function<void()> Execute;
    bool Enabled = true;
};

using TWebBrowserFactory = std::function<std::unique_ptr<TWebBrowser>(HWND parent, TWebBrowserEvents& events)>;
std::unique_ptr<TWebBrowser> CreateWebBrowserHost(HWND parent, TWebBrowserEvents& events);

class TfrmMain : public TWindow, public TRunner, public TWebBrowserEvents, public TMessageHook {
public:
    enum class TStartUp { Run, Skip };  // Skip: the window alone, no servers (tests)
    explicit TfrmMain(TStartUp startUp = TStartUp::Run, TWebBrowserFactory browserFactory = CreateWebBrowserHost);
    ~TfrmMain() override;

    // Toolbar buttons and menu items, by their command ids.
    enum TCommandId : WORD {
        btnMenu = 100, sepLeading, btnBack, btnForward, btnRefresh, btnStop, btnHome, sepBrand, btnBrand, btnGo,
        mnuMenu_SaveAs = 200, mnuMenu_PageSetup, mnuMenu_Print, mnuMenu_PrintPreview, mnuMenu_Find,
        mnuMenu_Source, mnuMenu_InternetOptions, mnuMenu_OrganizeFavorites,
        FirstFavoritesItem = 1000
    };

    // Components
    HWND CoolBar1 = nullptr, tlbMenu = nullptr, tlbToolbar = nullptr, cboAddress = nullptr, tlbGo = nullptr;
    HWND StatusBar1 = nullptr, ProgressBar1 = nullptr;
    std::unique_ptr<TPanel> pnlToolbar;
    std::unique_ptr<TWebBrowser> WebBrowser1;
    UniqueMenu mnuMenu;
    UniqueWindow HintWindow;
    TAction actMenu, actBack, actBack2, actForward, actForward2, actRefresh, actRefresh2, actRefresh3, actStop,
        actHome, actPrint, actFind, actCustomize;
    std::array<TAction*, 13> ActionList1{};
    bool ActionList1Active = false;

    // Called across subsystems
    void NavigateTo(const std::string& url) override;
    void EnterFullScreen() override;
    void Show();  // as the framework shows the main form after its creation

    // Handlers
    void btnGoClick();
    void btnBackClick();
    void btnForwardClick();
    void btnRefreshClick();
    void btnStopClick();
    void btnHomeClick();
    void btnBrandClick();
    bool cboAddressKeyDown(WORD key);  // true when the key is swallowed
    void cboAddressClick();
    void cboAddressChange();
    void actMenuExecute();
    void actCustomizeExecute();
    void FormResize();
    void btnMenuClick();
    void mnuMenu_SaveAsClick();
    void mnuMenu_PageSetupClick();
    void mnuMenu_PrintClick();
    void mnuMenu_PrintPreviewClick();
    void mnuMenu_FindClick();
    void mnuMenu_SourceClick();
    void mnuMenu_InternetOptionsClick();
    virtual void mnuMenu_OrganizeFavoritesClick() {}
    virtual void RunCustomize() {}
    void tmrCloseSplashTimer();
    // Before dispatch: the hook, the control's own keys, shortcuts, address keys.
    bool ApplicationMessage(MSG& message) override;
    void ApplicationEvents1Message(MSG& message);

    void WebBrowser1StatusTextChange(const std::string& text) override;
    void WebBrowser1ProgressChange(int progress, int maximum) override;
    void WebBrowser1CommandStateChange(int command, bool enable) override;
    void WebBrowser1DownloadBegin() override;
    void WebBrowser1DownloadComplete() override;
    void WebBrowser1TitleChange(const std::string& text) override;

    // Read-outs of the window's state
    std::vector<std::string> AddressHistory() const;
    int AddressIndex() const;
    std::string AddressText() const;
    bool ButtonEnabled(WORD id) const;
    bool ButtonVisible(WORD id) const;
    std::string ButtonHint(WORD id) const;
    bool StatusPanelLowered(int panel) const;
    std::string StatusText(int panel) const;

    // Start-up hooks
    void SetCaption(const std::string& title) override;
    void PrepareMaximizedStart() override;
    void SetShowMainFormOnStart(bool show) override { showOnStart_ = show; }
    void BringApplicationToFront() override;
    void StartTimer1(unsigned milliseconds) override;
    void StopTimer1() override;
    void SetOrganizeFavoritesBarBreak() override;
    void SetBrowserSilent(bool silent) override;
    void ApplyBrandLayout() override;
    void SetHomeHint(const std::string& hint) override;
    void HideCustomizeButton() override;
    void SetBarsVisible(bool toolbar, bool statusBar) override;
    void MoveProgressBarIntoStatusBar() override;
    void SetAddressText(const std::string& text) override;
    void SetApplicationToolWindow(bool toolWindow) override;
    void MinimizeMainWindow() override;
    void StartSplashCloseTimer() override;
    void StopSplashCloseTimer() override;
    bool HideMainWindow() override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateComponents();
    void ReleaseComponents() noexcept;
    void CreateCoolBar();
    void CreateToolbars();
    void CreateAddressBox();
    void CreateStatusBar();
    void CreateMenu();
    void CreateActions();
    void AlignComponents();
    void PaintCoolBarEdge();
    bool HandleCommand(WORD id, WORD code, HWND control);
    bool HandleNotify(NMHDR& header, LRESULT& result);
    bool IsBrowserWindow(HWND window) const;
    bool IsShortCut(const MSG& message);
    bool IsAddressBoxWindow(HWND window) const;
    void SelectAddress(int index);
    void SetStatusPanelLowered(int panel, bool lowered);
    void ShrinkToolbar();
    void RunBrowserCommand(void (*command)(TWebBrowser&));

    std::map<WORD, std::string> hints_;
    std::wstring hintBuffer_;
    UniqueFont font_;
    std::vector<UniqueImageList> imageLists_;
    bool showOnStart_ = true;
    int showCommand_ = SW_SHOWNORMAL;
    bool fullScreen_ = false;
    int coolBarHeight_ = 0;
    bool runsStartUp_;
};

extern TfrmMain* frmMain;
