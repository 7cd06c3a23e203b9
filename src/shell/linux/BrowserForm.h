// A pop-up browser window on Linux: the main window's twin for the pages that
// open a window of their own, placed and sized as the page asked. The
// application owns it, not the window that opened it; it is freed once closed.
#pragma once
#include <string>

#include "shell/linux/BrowserFrame.h"

class TfrmBrowser : public TBrowserFrame {
public:
    // A pop-up for a page of opener's, shown once WebKit says it is ready.
    static TfrmBrowser& Open(WebKitWebView* opener, const std::string& homeUrl, const std::string& favoritesFile);
    // A pop-up showing text (a page's source), shown at once.
    static void OpenText(WebKitWebView* opener, const std::string& homeUrl, GBytes* text, const std::string& uri);
    // How many pop-ups are open (tests).
    static size_t Count();

    std::string HomeUrl;        // set by the opener
    std::string FavoritesFile;  // the opener's
    bool FirstNavigation = true;

    void FormShow();
    void FormClose() override;
    void WebBrowser1ReadyToShow();

    TfrmBrowser(WebKitWebView* opener, const std::string& homeUrl, const std::string& favoritesFile);

protected:
    WebKitWebView* CreateWebView() override;
    std::string HomePage() const override { return HomeUrl; }
    std::string FavoritesPath() const override { return FavoritesFile; }
    void BrowserWindowClosed() override { FormClose(); }
    void ModalLoopEnded() override;

private:
    friend struct TBrowserFormSignals;
    void PlaceWindow();
    WebKitWebView* opener_;  // only while the web view is made
    bool closing_ = false;
    bool releaseAfterModal_ = false;
};
