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
    GtkWidget *CoolBar1 = nullptr, *pnlToolbar = nullptr, *tlbToolbar = nullptr;
    GtkWidget *btnBack = nullptr, *btnForward = nullptr, *btnRefresh = nullptr, *btnStop = nullptr,
              *btnHome = nullptr, *sepBrand = nullptr, *btnBrand = nullptr;
    GtkWidget *cboAddress = nullptr, *btnGo = nullptr;
    WebKitWebView* WebBrowser1 = nullptr;
    GtkWidget *StatusBar1 = nullptr, *lblStatusText = nullptr, *pnlProgress = nullptr, *ProgressBar1 = nullptr;
    TAction actBack, actBack2, actForward, actForward2, actRefresh, actRefresh2, actRefresh3, actStop, actHome;
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
    // Shortcuts of the given order; true when one ran.
    bool FormKeyDown(const GdkEventKey& key, TKeyOrder order);

    void WebBrowser1StatusTextChange(const std::string& text);
    void WebBrowser1ProgressChange(int progress, int maximum);
    void WebBrowser1CommandStateChange(int command, bool enable);
    void WebBrowser1DownloadBegin();
    void WebBrowser1DownloadComplete();
    void WebBrowser1TitleChange(const std::string& text);
    virtual void WebBrowser1DocumentComplete() {}

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

    // Where Home goes.
    virtual std::string HomePage() const = 0;
    // A page closed the window that holds the web view.
    virtual void BrowserWindowClosed() = 0;
    // The user closes the window (title bar, window manager).
    virtual void FormClose() = 0;
    // Each action in the list also takes its shortcut; subclasses add theirs after BuildComponents.
    void AddAction(TAction& action, const char* caption, TShortCut shortCut, std::function<void()> execute,
                   TKeyOrder order = TKeyOrder::BeforeFocus);
    void SetCustomizeButtonVisible(bool visible);

    // The web view's signals, read into the handlers above.
    void WebViewLoadChanged(WebKitLoadEvent event);
    void WebViewTitleNotify();
    void WebViewProgressNotify();
    void WebViewLoadingNotify();
    void WebViewHistoryChanged();
    void WebViewMouseTargetChanged(WebKitHitTestResult* hit);

private:
    GtkWidget* CreateCoolBar();
    GtkWidget* CreateToolButton(const char* icon, const char* caption, const char* hint, GCallback clicked);
    GtkWidget* CreateAddressBox();
    GtkWidget* CreateStatusBar();
    void CreateActions();
    void ConnectWebView();
    void Connect(gpointer instance, const char* signal, GCallback callback, bool after = false);
    void SelectAddress(int index);

    friend struct TFrameSignals;  // the trampolines
    TFrameDesign design_;
    GObjectPtr<GtkWidget> window_;
    GtkWidget* layout_ = nullptr;
    std::vector<TSignalConnection> signals_;
    bool selectingAddress_ = false;  // our own selections never navigate
};
