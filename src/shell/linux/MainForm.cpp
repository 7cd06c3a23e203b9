#include "shell/linux/MainForm.h"

#include <gdk/gdkx.h>

#include "server/Product.h"
#include "server/ServerText.h"
#include "shell/linux/AppIcon.h"
#include "shell/linux/MessageDialog.h"
#include "util/Guard.h"
#include "util/Timeline.h"
#include "util/linux/Files.h"

namespace {

const TFrameDesign MainDesign{true, 60};
const unsigned SplashCloseTickMs = 15;  // as often as the Windows timer's 1 ms comes

// Without a window manager (a bare X server) nobody maximizes a window.
bool WindowManagerMaximizes(GtkWindow* window) {
    GdkScreen* screen = gtk_window_get_screen(window);
    return !GDK_IS_X11_SCREEN(screen) || gdk_x11_screen_supports_net_wm_hint(
                                             screen, gdk_atom_intern_static_string("_NET_WM_STATE_MAXIMIZED_VERT"));
}

// The executable's own icon, for this window and every dialog.
void SetApplicationIcon() {
    if (GObjectPtr<GdkPixbuf> icon = LoadMainIcon()) gtk_window_set_default_icon(icon.Get());
}

}  // namespace

struct TMainFormSignals {
    static TfrmMain& Form(gpointer self) { return *static_cast<TfrmMain*>(self); }
    static gboolean Timer1Tick(gpointer self) {
        AtCallbackEdge(Form(self).Handle(), [&] { Form(self).Timer1Timer(); });
        return G_SOURCE_CONTINUE;
    }
    static gboolean CloseSplashTick(gpointer self) {
        AtCallbackEdge(Form(self).Handle(), [&] { Form(self).tmrCloseSplashTimer(); });
        return G_SOURCE_CONTINUE;
    }
};

TfrmMain::TfrmMain(TStartUp startUp)
    : TBrowserFrame(MainDesign, ProductTitle, TBuild::Later), runsStartUp_(startUp == TStartUp::Run) {
    // With the start-up, the runner's FormCreate builds the window while the servers start.
    CreateTray();
    if (!runsStartUp_) BuildWindow();
}

void TfrmMain::BuildWindow() {
    TimelineMark("browser-control");
    BuildComponents();
    TimelineMark("browser-control-loaded");
    AddAction(actCustomize, "Customize", {GDK_KEY_F11, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK)},
              [this] { actCustomizeExecute(); });
    WatchMedium();
}

// The site's cookies, storage and cache belong to this distribution and user:
// they go in the work folder beside the generated files.
WebKitWebView* TfrmMain::CreateWebView() {
    if (WorkDir.empty()) return TBrowserFrame::CreateWebView();
    const std::string data = WorkDir + "/webkit", cache = WorkDir + "/webkit-cache";
    auto manager = GObjectPtr<WebKitWebsiteDataManager>::Adopt(
        webkit_website_data_manager_new("base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(),
                                        nullptr));
    auto context = GObjectPtr<WebKitWebContext>::Adopt(webkit_web_context_new_with_website_data_manager(manager.Get()));
    return WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context.Get()));
}

std::string TfrmMain::HomePage() const { return HomeAddress(WebPort); }

// Closing the main window ends the runner, as its destruction does on Windows.
void TfrmMain::FormClose() {
    if (runsStartUp_) FormDestroy();
    gtk_widget_hide(GTK_WIDGET(Handle()));
}

// ---- handlers

// What fails before the dialog shows (a port in Brand.ini that is no number) is not shown.
void TfrmMain::btnBrandClick() { Guarded([&] { RunCustomize(); }); }
void TfrmMain::actCustomizeExecute() { Guarded([&] { RunCustomize(); }); }

void TfrmMain::WebBrowser1DocumentComplete() {
    if (!documentComplete_) TimelineMark("first-page-complete");
    documentComplete_ = true;
}

void TfrmMain::tmrCloseSplashTimer() { CloseSplashWhenDue(documentComplete_); }

void TfrmMain::EnterFullScreen() {
    if (fullScreen_) return;
    fullScreen_ = true;
    SetWindowFullScreen(true);
}

// Full screen by the setting lasts until the end; a page's comes and goes.
void TfrmMain::WebBrowser1FullScreenChange(bool fullScreen) {
    if (!fullScreen_) TBrowserFrame::WebBrowser1FullScreenChange(fullScreen);
}

// ---- start-up hooks

void TfrmMain::SetBarsVisible(bool toolbar, bool statusBar) {
    if (!fullScreen_) TBrowserFrame::SetBarsVisible(toolbar, statusBar);
}

void TfrmMain::PrepareMaximizedStart() {
    Guarded(SetApplicationIcon);
    gtk_window_maximize(Handle());
    if (WindowManagerMaximizes(Handle())) return;
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(Handle()));
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return;
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    gtk_window_set_default_size(Handle(), area.width, area.height);
}

void TfrmMain::ShowMainForm() {
    if (!showOnStart_) return;
    Show();
    TimelineMark("window-shown");
}

// A window still hidden (start-up not done, or kept out of sight) stays so.
// Asked by a second start, we hold no user's timestamp: the X server's time
// keeps the window manager from taking the request for focus stealing.
void TfrmMain::BringApplicationToFront() {
    GtkWidget* window = GTK_WIDGET(Handle());
    if (!gtk_widget_get_visible(window)) return;
    GdkWindow* surface = gtk_widget_get_window(window);
    if (surface && GDK_IS_X11_WINDOW(surface))
        gtk_window_present_with_time(Handle(), gdk_x11_get_server_time(surface));
    else
        gtk_window_present(Handle());
}

void TfrmMain::StartTimer1(unsigned milliseconds) {
    timer1_.Start(milliseconds, TMainFormSignals::Timer1Tick, this);
}

void TfrmMain::StartSplashCloseTimer() {
    tmrCloseSplash_.Start(SplashCloseTickMs, TMainFormSignals::CloseSplashTick, this);
}

// The hourglass over the window while the build runs its children.
void TfrmMain::SetBusy(bool busy) {
    GdkWindow* surface = gtk_widget_get_window(GTK_WIDGET(Handle()));
    if (!surface) return;
    GObjectPtr<GdkCursor> cursor;
    if (busy) cursor = GObjectPtr<GdkCursor>::Adopt(gdk_cursor_new_from_name(gdk_window_get_display(surface), "wait"));
    gdk_window_set_cursor(surface, cursor.Get());
    gdk_display_flush(gdk_window_get_display(surface));
}

bool TfrmMain::HideMainWindow() {
    const bool wasVisible = gtk_widget_get_visible(GTK_WIDGET(Handle()));
    gtk_widget_hide(GTK_WIDGET(Handle()));
    return wasVisible;
}

void TfrmMain::ShowMessage(const std::string& text, const std::string& caption, bool error) {
    GtkWindow* owner = gtk_widget_get_visible(GTK_WIDGET(Handle())) ? Handle() : nullptr;
    ShowMessageDialog(owner, text, caption, error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO);
}
