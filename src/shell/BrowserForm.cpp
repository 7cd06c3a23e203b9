#include "shell/BrowserForm.h"

#include "server/Product.h"
#include "shell/PopupRules.h"
#include "util/Guard.h"

namespace {

const TFrameDesign PopupDesign{L"TfrmBrowser", false, 80, false};

TPopupMetrics MetricsOf(HWND window, int coolBarHeight, HWND statusBar) {
    const auto frameOf = [&](DWORD style) {
        RECT frame{};
        AdjustWindowRectEx(&frame, style, FALSE, static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
        return frame;
    };
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const RECT sizable = frameOf(style | WS_THICKFRAME), fixed = frameOf(style & ~WS_THICKFRAME);
    RECT status{};
    GetWindowRect(statusBar, &status);
    return {sizable.right - sizable.left, sizable.bottom - sizable.top,
            fixed.right - fixed.left,     fixed.bottom - fixed.top,
            coolBarHeight,                status.bottom - status.top,
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

TfrmBrowser::TfrmBrowser(TWebBrowserFactory browserFactory)
    : TBrowserFrame(PopupDesign, "", std::move(browserFactory)) {
    FormCreate();
}

TfrmBrowser::~TfrmBrowser() { ReleaseComponents(); }

void TfrmBrowser::FormCreate() {
    FirstNavigation = true;
    SetApplicationIcon();
    MoveProgressBarIntoStatusBar();
    Guarded([&] { SetBrowserSilent(ScriptErrorsSilent); });
    SetOrganizeFavoritesBarBreak();
    BuildFavoritesMenu();  // the items read FavoritesFile, which the opener sets
}

void TfrmBrowser::FormShow() { SetHomeHint(HomeUrl + " (Alt+Home)"); }

LRESULT TfrmBrowser::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CLOSE) return TBrowserFrame::HandleMessage(message, wParam, lParam);
    FormClose();
    return 0;
}

void TfrmBrowser::FormClose() {
    ReleaseComponents();
    DestroyWindow(Handle());
}

void TfrmBrowser::HandleDestroyed() { TApplication::Instance().ReleaseForm(*this); }

void TfrmBrowser::Close() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }

void TfrmBrowser::BrowserWindowClosed() { Close(); }

// Once: later navigations in the same window never move or resize it.
void TfrmBrowser::WebBrowser1BeforeNavigate2() {
    if (!FirstNavigation) return;
    FirstNavigation = false;
    Guarded([&] { PlaceWindow(); });
    WebBrowser1Aligned = true;
    AlignComponents();
}

void TfrmBrowser::PlaceWindow() {
    TWebBrowser& control = *WebBrowser1;
    const TPopupRequest request{ToBox(control.BoundsRect()), control.MenuBar(),  control.ToolBar(),
                                control.AddressBar(),        control.StatusBar(), control.Resizable()};
    TPopupPlacement place = PlacePopup(request, MetricsOf(Handle(), CoolBarHeight(), StatusBar1));
    if (const auto workArea = WorkAreaNearest({place.left, place.top, place.width, place.height}))
        place = KeptInsideArea(place, *workArea);
    if (place.requested) {
        const LONG sizing = WS_THICKFRAME | WS_MAXIMIZEBOX, style = GetWindowLongW(Handle(), GWL_STYLE);
        SetWindowLongW(Handle(), GWL_STYLE, place.resizable ? style | sizing : style & ~sizing);
        SetBarsVisible(place.coolBar, place.statusBar);
    }
    SetWindowPos(Handle(), nullptr, place.left, place.top, place.width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
