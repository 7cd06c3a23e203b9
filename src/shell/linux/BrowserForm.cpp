#include "shell/linux/BrowserForm.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "shell/PopupRules.h"
#include "shell/linux/MessageDialog.h"
#include "util/Guard.h"

namespace {

const TFrameDesign PopupDesign{false, 80};
const char TextType[] = "text/plain", TextEncoding[] = "UTF-8";

// The application's pop-ups; each leaves the list (and is freed) once closed.
std::vector<std::unique_ptr<TfrmBrowser>>& Popups() {
    static std::vector<std::unique_ptr<TfrmBrowser>> popups;
    return popups;
}

int NaturalHeight(GtkWidget* widget) {
    int minimum = 0, natural = 0;
    gtk_widget_get_preferred_height(widget, &minimum, &natural);
    return natural;
}


GdkRectangle PrimaryScreen(GdkDisplay* display) {
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle area{0, 0, 0, 0};
    if (monitor) gdk_monitor_get_geometry(monitor, &area);
    return area;
}

// The work area of the monitor nearest the box's centre.
TArea NearestWorkArea(GdkDisplay* display, const TPopupPlacement& place) {
    GdkMonitor* monitor =
        gdk_display_get_monitor_at_point(display, place.left + place.width / 2, place.top + place.height / 2);
    GdkRectangle area{0, 0, 0, 0};
    if (monitor) gdk_monitor_get_workarea(monitor, &area);
    return area.width > 0 ? TArea{area.x, area.y, area.width, area.height}
                          : TArea{place.left, place.top, place.width, place.height};
}

// The page's wishes as the shared rule reads them: the request in the bounds
// of a control at 4096, 4096. WebKit reports an unasked place as 0.
TPopupRequest RequestOf(WebKitWindowProperties* properties) {
    GdkRectangle asked{0, 0, 0, 0};
    webkit_window_properties_get_geometry(properties, &asked);
    const TBox anchor{RequestOrigin, RequestOrigin, RequestOrigin, RequestOrigin};
    TBox bounds = anchor;
    if (asked.x != 0) bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Left, asked.x);
    if (asked.y != 0) bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Top, asked.y);
    if (asked.width > 0) bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Width, asked.width);
    if (asked.height > 0) bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Height, asked.height);
    TPopupRequest request;
    request.bounds = bounds;
    request.menuBar = webkit_window_properties_get_menubar_visible(properties);
    request.toolBar = webkit_window_properties_get_toolbar_visible(properties) ? 1 : 0;
    request.addressBar = webkit_window_properties_get_locationbar_visible(properties);
    request.statusBar = webkit_window_properties_get_statusbar_visible(properties);
    request.resizable = webkit_window_properties_get_resizable(properties);
    return request;
}

}  // namespace

struct TBrowserFormSignals {
    static void ReadyToShow(WebKitWebView*, gpointer self) {
        auto& form = *static_cast<TfrmBrowser*>(self);
        AtCallbackEdge(form.Handle(), [&] { form.WebBrowser1ReadyToShow(); });
    }
    // Freed from the main loop: never inside a handler of its own web view, nor
    // under a print dialog of its own that runs a loop (a page closed it meanwhile).
    static gboolean Release(gpointer self) {
        auto& form = *static_cast<TfrmBrowser*>(self);
        if (form.InModalLoop()) {
            form.releaseAfterModal_ = true;
            return G_SOURCE_REMOVE;
        }
        auto& popups = Popups();
        const auto found = std::find_if(popups.begin(), popups.end(), [&](const auto& form) { return form.get() == self; });
        if (found != popups.end()) popups.erase(found);
        return G_SOURCE_REMOVE;
    }
};

TfrmBrowser::TfrmBrowser(WebKitWebView* opener, const std::string& homeUrl, const std::string& favoritesFile)
    : TBrowserFrame(PopupDesign, "", TBuild::Later), HomeUrl(homeUrl), FavoritesFile(favoritesFile), opener_(opener) {
    BuildComponents();
    opener_ = nullptr;
    if (!FavoritesFile.empty()) BuildFavoritesMenu();  // the items read FavoritesFile, which the opener set
    Connect(WebBrowser1, "ready-to-show", G_CALLBACK(TBrowserFormSignals::ReadyToShow));
}

TfrmBrowser& TfrmBrowser::Open(WebKitWebView* opener, const std::string& homeUrl, const std::string& favoritesFile) {
    Popups().push_back(std::make_unique<TfrmBrowser>(opener, homeUrl, favoritesFile));
    return *Popups().back();
}

void TfrmBrowser::OpenText(WebKitWebView* opener, const std::string& homeUrl, GBytes* text, const std::string& uri) {
    TfrmBrowser& form = Open(opener, homeUrl, "");
    form.WebBrowser1ReadyToShow();
    webkit_web_view_load_bytes(form.WebBrowser1, text, TextType, TextEncoding, uri.c_str());
}

size_t TfrmBrowser::Count() { return Popups().size(); }

// Its own scripts and messages (a page's close reaches this window alone); the
// opener's process, settings and data.
WebKitWebView* TfrmBrowser::CreateWebView() {
    auto content = GObjectPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
    auto* v= WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", opener_, "settings",
                                        webkit_web_view_get_settings(opener_), "user-content-manager", content.Get(),
                                        nullptr));
    return v;
}

void TfrmBrowser::WebBrowser1ReadyToShow() {
    if (FirstNavigation) {
        FirstNavigation = false;
        Guarded([&] { PlaceWindow(); });
    }
    FormShow();
    Show();
    gtk_window_present(Handle());
}

void TfrmBrowser::FormShow() { SetHomeHint(HomeUrl + " (Alt+Home)"); }

// Hidden at once, freed once the handler that closed it has returned.
void TfrmBrowser::FormClose() {
    if (closing_) return;
    closing_ = true;
    gtk_widget_hide(GTK_WIDGET(Handle()));
    g_idle_add(TBrowserFormSignals::Release, this);
}

void TfrmBrowser::ModalLoopEnded() {
    if (std::exchange(releaseAfterModal_, false)) g_idle_add(TBrowserFormSignals::Release, this);
}

void TfrmBrowser::PlaceWindow() {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(Handle()));
    const GdkRectangle screen = PrimaryScreen(display);
    // GTK sizes the window inside the window manager's frame: no frame to add.
    const TPopupMetrics metrics{0, 0, 0, 0, NaturalHeight(CoolBar1), NaturalHeight(StatusBar1), screen.width,
                                screen.height};
    TPopupPlacement place = PlacePopup(RequestOf(webkit_web_view_get_window_properties(WebBrowser1)), metrics);
    if (place.requested) {
        SetBarsVisible(place.coolBar, place.statusBar);
        gtk_window_set_resizable(Handle(), place.resizable);
    }
    place = KeptInsideArea(place, NearestWorkArea(display, place));
    if (!place.resizable) gtk_widget_set_size_request(GTK_WIDGET(Handle()), place.width, place.height);
    gtk_window_set_default_size(Handle(), place.width, place.height);
    gtk_window_resize(Handle(), place.width, place.height);
    gtk_window_move(Handle(), place.left, place.top);
}
