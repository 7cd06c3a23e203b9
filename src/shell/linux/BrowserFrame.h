// What every browser window shares on Linux: the WebKitWebView with its frame
// of toolbar, address box, Go button and status bar, the shortcuts, and the
// web view's events turned into the handlers both editions name alike. The
// main window and the pop-ups are its two kinds; they differ in a few design
// values and in the handful of virtual functions below.
#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>
#include <vector>

#include "util/linux/GObjectPtr.h"

struct TShortCut {
    guint Key = 0;  // lower-case keyval
    GdkModifierType Modifiers = GdkModifierType(0);
};

// Keys that the focused widget (an edit box, the page) may want for itself
// come to the window only when it leaves them: Backspace in a text field
// deletes, in the page it goes back.
enum class TKeyOrder { BeforeFocus, AfterFocus };

struct TAction {
    std::string Caption;
    TShortCut ShortCut;
    TKeyOrder Order = TKeyOrder::BeforeFocus;
    std::function<void()> Execute;
    bool Enabled = true;
};

// What tells one kind of browser window from the other.
struct TFrameDesign {
    bool CustomizeButton;   // a separator and Customize after Home
    int StatusPanel2Width;  // the empty panel right of the progress bar
};

class TBrowserFrame {
public:
    TBrowserFrame(const TBrowserFrame&) = delete;
    TBrowserFrame& operator=(const TBrowserFrame&) = delete;
    virtual ~TBrowserFrame();

    GtkWindow* Handle() const { return GTK_WINDOW(window_.Get()); }

    // Components; the window owns them, they live as long as it does.
    GtkWidget *CoolBar1 = nullptr, *pnlToolbar = nullptr, *tlbMenu = nullptr, *btnMenu = nullptr, *tlbToolbar = nullptr;
    GtkWidget *btnBack = nullptr, *btnForward = nullptr, *btnRefresh = nullptr, *btnStop = nullptr,
              *btnHome = nullptr, *sepBrand = nullptr, *btnBrand = nullptr;
    GtkWidget *cboAddress = nullptr, *btnGo = nullptr;
    WebKitWebView* WebBrowser1 = nullptr;
    GtkWidget *StatusBar1 = nullptr, *lblStatusText = nullptr, *pnlProgress = nullptr, *ProgressBar1 = nullptr;
    GtkWidget *mnuMenu = nullptr, *mnuMenu_SaveAs = nullptr, *mnuMenu_PageSetup = nullptr, *mnuMenu_Print = nullptr,
              *mnuMenu_Find = nullptr, *mnuMenu_Source = nullptr, *mnuMenu_OrganizeFavorites = nullptr;
    GtkWidget *barFind = nullptr, *edtFind = nullptr;
    TAction actMenu, actBack, actBack2, actForward, actForward2, actRefresh, actRefresh2, actRefresh3, actStop, actHome,
        actPrint, actFind;
    std::vector<TAction*> ActionList1;

    virtual void NavigateTo(const std::string& url);
    virtual void SetCaption(const std::string& title);
    virtual void Show();

    // Handlers
    void btnGoClick();
    void btnBackClick();
    void btnForwardClick();
    void btnRefreshClick();
    void btnStopClick();
    void btnHomeClick();
    virtual void btnBrandClick() {}
    bool cboAddressKeyDown(guint key);  // true when the key is swallowed
    void cboAddressClick();
    void cboAddressChange();
    void actMenuExecute();
    void btnMenuClick();
    void mnuMenu_SaveAsClick();
    void mnuMenu_PageSetupClick();
    void mnuMenu_PrintClick();
    void mnuMenu_FindClick();
    void mnuMenu_SourceClick();
    void mnuMenu_OrganizeFavoritesClick();
    void edtFindChange();
    void edtFindEnter();
    void edtFindStop();
    // Shortcuts of the given order; true when one ran.
    bool FormKeyDown(const GdkEventKey& key, TKeyOrder order);

    void WebBrowser1StatusTextChange(const std::string& text);
    void WebBrowser1ProgressChange(int progress, int maximum);
    void WebBrowser1CommandStateChange(int command, bool enable);
    void WebBrowser1DownloadBegin();
    void WebBrowser1DownloadComplete();
    void WebBrowser1TitleChange(const std::string& text);
    virtual void WebBrowser1DocumentComplete() {}
    // A page asks for a new window: a pop-up of ours, whose web view is returned.
    WebKitWebView* WebBrowser1NewWindow2();
    // A page asks for full screen, or leaves it.
    virtual void WebBrowser1FullScreenChange(bool fullScreen);

    // Favorites
    virtual std::string BuildFavoritesMenu();  // the file's path for FavoritesFile, or "" without it
    void DirMenuItemClick(const std::string& caption);
    void UrlMenuItemClick(const std::string& caption);
    void OrganizeFavorites();
    std::vector<std::string> MenuCaptions() const;

    // Read-outs of the window's state
    std::vector<std::string> AddressHistory() const;
    int AddressIndex() const;
    std::string AddressText() const;
    std::string Caption() const;
    std::string StatusText() const;
    std::string ButtonHint(GtkWidget* button) const;

    // Set-up shared by both kinds (the main window's start-up calls them too)
    virtual void SetHomeHint(const std::string& hint);
    virtual void SetBarsVisible(bool coolBar, bool statusBar);
    virtual void SetAddressText(const std::string& text);

    // The web view's commands, as the Windows control numbers them.
    enum TNavigationCommand { navForward = 1, navBack = 2 };

protected:
    enum class TBuild { Now, Later };  // Later: the window alone until BuildComponents
    TBrowserFrame(const TFrameDesign& design, const std::string& caption, TBuild build = TBuild::Now);
    // The bars and the web view inside the window.
    void BuildComponents();
    // The web view this window shows; the main window gives it its own data folders.
    virtual WebKitWebView* CreateWebView();

    // Where Home goes; a pop-up opened from here gets it as its HomeUrl.
    virtual std::string HomePage() const = 0;
    // The Favorites.ini the items read; empty when the file is missing.
    virtual std::string FavoritesPath() const = 0;
    // A page closed the window that holds the web view.
    virtual void BrowserWindowClosed() = 0;
    // The user closes the window (title bar, window manager).
    virtual void FormClose() = 0;
    // Each action in the list also takes its shortcut; subclasses add theirs after BuildComponents.
    void AddAction(TAction& action, const char* caption, TShortCut shortCut, std::function<void()> execute,
                   TKeyOrder order = TKeyOrder::BeforeFocus);
    void SetCustomizeButtonVisible(bool visible);
    // A handler of ours on one of the window's objects, disconnected before the window goes.
    void Connect(gpointer instance, const char* signal, GCallback callback, bool after = false);

    // The web view's signals, read into the handlers above.
    void WebViewLoadChanged(WebKitLoadEvent event);
    void WebViewTitleNotify();
    void WebViewProgressNotify();
    void WebViewLoadingNotify();
    void WebViewHistoryChanged();
    void WebViewMouseTargetChanged(WebKitHitTestResult* hit);
    void WebViewScriptClose();
    bool WebViewDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);

    // Window full screen or back as it was, also where no window manager does it.
    void SetWindowFullScreen(bool fullScreen);
    // A dialog of ours that runs a loop of its own (print, page setup) is up.
    bool InModalLoop() const { return modalLoops_ > 0; }
    // The last such dialog has returned.
    virtual void ModalLoopEnded() {}

private:
    GtkWidget* CreateCoolBar();
    GtkWidget* CreateToolButton(const char* icon, const char* caption, const char* hint, GCallback clicked);
    GtkWidget* CreateAddressBox();
    GtkWidget* CreateStatusBar();
    GtkWidget* CreateFindBar();
    void CreateMenu();
    GtkWidget* AttachMenuItem(const char* caption, int column, int row, GCallback activate);
    void AttachFavorites();
    void CreateActions();
    void ConnectWebView();
    void SelectAddress(int index);

    // Runs a dialog's own loop, counted: the window must not be freed under it.
    template <class TRun>
    void RunModal(TRun run);
    int modalLoops_ = 0;

    friend struct TFrameSignals;  // the trampolines
    TFrameDesign design_;
    GObjectPtr<GtkWidget> window_;
    GtkWidget* layout_ = nullptr;
    std::vector<TSignalConnection> signals_;
    bool selectingAddress_ = false;  // our own selections never navigate
    int favoritesRow_ = 0;           // the next free row of the menu's second column
    struct TWindowPlace {
        int left = 0, top = 0, width = 0, height = 0;
        bool coolBar = true, statusBar = true;
    } placeBeforeFullScreen_;
    bool windowFullScreen_ = false;
    GObjectPtr<GCancellable> pending_ = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());  // our page questions
    GObjectPtr<GtkPageSetup> pageSetup_;
    GObjectPtr<GtkPrintSettings> printSettings_;
};
