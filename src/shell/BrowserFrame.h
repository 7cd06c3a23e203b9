// What every browser window shares: the embedded control with its frame of
// menu button, toolbar, address box, Go button and status bar, the menu with
// its Favorites, the shortcuts, and the control's events. The main window and
// the pop-ups are its two kinds; they differ in a few design values and in
// the handful of virtual functions below.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/Application.h"
#include "shell/Favorites.h"
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

// What tells one kind of browser window from the other.
struct TFrameDesign {
    const wchar_t* ClassName;
    bool CustomizeButton;   // a separator and Customize after Home
    int StatusPanel2Width;
    bool EnterToControl;    // Enter offered to the control before it is dispatched
};

class TBrowserFrame : public TWindow, public TWebBrowserEvents, public TMessageHook {
public:
    ~TBrowserFrame() override;

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
        actHome, actPrint, actFind;
    std::vector<TAction*> ActionList1;
    bool ActionList1Active = false;
    bool WebBrowser1Aligned = true;  // the control fills the space between the bars

    virtual void NavigateTo(const std::string& url);
    virtual void SetCaption(const std::string& title);  // the window's caption
    virtual void Show();

    // Handlers
    void btnGoClick();
    void btnBackClick();
    void btnForwardClick();
    void btnRefreshClick();
    void btnStopClick();
    void btnHomeClick();
    bool cboAddressKeyDown(WORD key);  // true when the key is swallowed
    void cboAddressClick();
    void cboAddressChange();
    void actMenuExecute();
    void FormResize();
    void btnMenuClick();
    void mnuMenu_SaveAsClick();
    void mnuMenu_PageSetupClick();
    void mnuMenu_PrintClick();
    void mnuMenu_PrintPreviewClick();
    void mnuMenu_FindClick();
    void mnuMenu_SourceClick();
    void mnuMenu_InternetOptionsClick();
    void mnuMenu_OrganizeFavoritesClick();
    // Before dispatch: the hook, the control's own keys, shortcuts, address keys.
    bool ApplicationMessage(MSG& message) override;
    void ApplicationEvents1Message(MSG& message);

    void WebBrowser1StatusTextChange(const std::string& text) override;
    void WebBrowser1ProgressChange(int progress, int maximum) override;
    void WebBrowser1CommandStateChange(int command, bool enable) override;
    void WebBrowser1DownloadBegin() override;
    void WebBrowser1DownloadComplete() override;
    void WebBrowser1TitleChange(const std::string& text) override;
    void WebBrowser1NewWindow2(IDispatch** dispatch) override;

    // Favorites
    virtual std::string BuildFavoritesMenu();  // the file's path for FavoritesFile
    void DirMenuItemClick(const std::string& caption);
    void UrlMenuItemClick(const std::string& caption);
    void OrganizeFavorites();

    // Read-outs of the window's state
    std::vector<std::string> AddressHistory() const;
    int AddressIndex() const;
    std::string AddressText() const;
    bool ButtonEnabled(WORD id) const;
    bool ButtonVisible(WORD id) const;
    std::string ButtonHint(WORD id) const;
    bool StatusPanelLowered(int panel) const;
    std::string StatusText(int panel) const;
    int StatusPanelWidth(int panel) const;
    std::vector<std::string> MenuCaptions() const;

    // Set-up shared by both kinds (the main window's start-up calls them too)
    virtual void SetOrganizeFavoritesBarBreak();
    virtual void SetBrowserSilent(bool silent);
    virtual void SetHomeHint(const std::string& hint);
    virtual void SetBarsVisible(bool coolBar, bool statusBar);
    virtual void MoveProgressBarIntoStatusBar();
    virtual void SetAddressText(const std::string& text);
    void SetApplicationIcon();
    void AlignComponents();

protected:
    enum class TBuild { Now, Later };  // Later: the window alone until BuildComponents
    TBrowserFrame(const TFrameDesign& design, const std::string& caption, TWebBrowserFactory browserFactory,
                  TBuild build = TBuild::Now);
    // The bars, the menu and the browser control inside the window.
    void BuildComponents();

    // Where Home goes; a pop-up opened from here gets it as its HomeUrl.
    virtual std::string HomePage() const = 0;
    // The Favorites.ini the items read; empty when the file is missing.
    virtual std::string FavoritesPath() const = 0;
    // A page closed the window that holds the control.
    virtual void BrowserWindowClosed() = 0;
    virtual void FormShow() {}

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual bool HandleCommand(WORD id, WORD code, HWND control);
    void ReleaseComponents() noexcept;
    int CoolBarHeight() const;  // with the etched edge below it

    int showCommand_ = SW_SHOWNORMAL;

private:
    void CreateComponents();
    void CreateCoolBar();
    void CreateToolbars();
    void CreateAddressBox();
    void CreateStatusBar();
    void CreateMenu();
    void CreateActions();
    void PaintCoolBarEdge();
    bool HandleNotify(NMHDR& header, LRESULT& result);
    bool IsBrowserWindow(HWND window) const;
    bool IsShortCut(const MSG& message);
    bool IsAddressBoxWindow(HWND window) const;
    void SelectAddress(int index);
    void SetStatusPanelLowered(int panel, bool lowered);
    void RunBrowserCommand(void (*command)(TWebBrowser&));

    TFrameDesign design_;
    TWebBrowserFactory browserFactory_;
    TFavoritesMenu favorites_;
    std::map<WORD, std::string> hints_;
    std::wstring hintBuffer_;
    UniqueFont font_;
    std::vector<UniqueImageList> imageLists_;
    int coolBarHeight_ = 0;
};
