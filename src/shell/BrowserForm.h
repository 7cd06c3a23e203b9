// A pop-up browser window: the main window's twin for the pages that open a
// window of their own, placed and sized as the page asked. Owned by the
// application, not by the window that opened it; it frees itself on close.
#pragma once
#include <string>

#include "shell/BrowserFrame.h"

class TfrmBrowser : public TBrowserFrame {
public:
    explicit TfrmBrowser(TWebBrowserFactory browserFactory = CreateWebBrowserHost);
    ~TfrmBrowser() override;

    std::string HomeUrl;        // set by the opener
    std::string FavoritesFile;  // the opener's
    bool FirstNavigation = true;

    void FormCreate();
    void FormClose();
    void Close();  // as the user closing it
    void WebBrowser1BeforeNavigate2() override;

protected:
    std::string HomePage() const override { return HomeUrl; }
    std::string FavoritesPath() const override { return FavoritesFile; }
    void BrowserWindowClosed() override;
    void FormShow() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HandleDestroyed() override;

private:
    void PlaceWindow();
};
