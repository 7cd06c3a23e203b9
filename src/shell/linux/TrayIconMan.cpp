#include "shell/linux/TrayIconMan.h"

#include <libayatana-appindicator/app-indicator.h>
#include <unistd.h>

#include "shell/TrayRules.h"
#include "shell/linux/MessageDialog.h"

namespace {

const char WatcherName[] = "org.kde.StatusNotifierWatcher";
const int BusCallLimitMs = 1000;

std::uint32_t DoubleClickTime() {
    gint milliseconds = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &milliseconds, nullptr);
    return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace

struct TTraySignals {
    static TTrayIconMan& Man(gpointer self) { return *static_cast<TTrayIconMan*>(self); }
    static gboolean ButtonReleased(GObject*, GdkEventButton* event, gpointer self) {
        AtCallbackEdge(nullptr, [&] { Man(self).IconClicked(*event); });
        return TRUE;
    }
    static gboolean ButtonPressed(GObject*, GdkEventButton*, gpointer) { return TRUE; }  // clicks count on release
    static void HostConnection(AppIndicator*, gboolean connected, gpointer self) {
        Man(self).hostConnected_ = connected;
    }
};

std::uint32_t TTrayIconMan::TickCount() { return static_cast<std::uint32_t>(g_get_monotonic_time() / 1000); }

TTrayIconMan::TTrayIconMan(TTickSource tickCount) : tickCount_(std::move(tickCount)) { FStartTick = tickCount_(); }

TTrayIconMan::~TTrayIconMan() { Remove(); }

// Asked only on a bus the session already has: without one GIO would start a
// bus of its own (autolaunch) that outlives us.
bool TTrayIconMan::StatusNotifierHostRuns() {
    const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string userBus = std::string(g_get_user_runtime_dir()) + "/bus";
    if ((!address || !*address) && !g_file_test(userBus.c_str(), G_FILE_TEST_EXISTS)) return false;
    auto bus = GObjectPtr<GDBusConnection>::Adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus) return false;
    GVariant* reply = g_dbus_connection_call_sync(bus.Get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner",
                                                  g_variant_new("(s)", WatcherName), G_VARIANT_TYPE("(b)"),
                                                  G_DBUS_CALL_FLAGS_NONE, BusCallLimitMs, nullptr, nullptr);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

void TTrayIconMan::Install(GdkPixbuf* icon, const std::string& iconFile, const std::string& tip, GtkWindow* target,
                           GtkMenu* rightClickMenu, TNotifyEvent leftClickHandler) {
    if (kind_ != TKind::None) return;
    FOnLeftClick = std::move(leftClickHandler);
    FRightClickMenu = rightClickMenu;
    FTargetWindow = target;
    menu_ = GObjectPtr<GtkMenu>::RefSink(rightClickMenu);
    if (!iconFile.empty() && rightClickMenu && StatusNotifierHostRuns())
        InstallStatusNotifier(iconFile, tip);
    else
        InstallXEmbed(icon, tip);
}

void TTrayIconMan::InstallStatusNotifier(const std::string& iconFile, const std::string& tip) {
    const std::string id = "vadrome-" + std::to_string(::getpid());
    AppIndicator* indicator =
        app_indicator_new(id.c_str(), iconFile.c_str(), APP_INDICATOR_CATEGORY_APPLICATION_STATUS);
    icon_ = GObjectPtr<GObject>::Adopt(G_OBJECT(indicator));
    app_indicator_set_title(indicator, tip.c_str());
    app_indicator_set_menu(indicator, FRightClickMenu);
    GList* items = gtk_container_get_children(GTK_CONTAINER(FRightClickMenu));
    if (items) app_indicator_set_secondary_activate_target(indicator, GTK_WIDGET(items->data));  // Show/Hide
    g_list_free(items);
    signals_.emplace_back(indicator, "connection-changed", G_CALLBACK(TTraySignals::HostConnection), this);
    app_indicator_set_status(indicator, APP_INDICATOR_STATUS_ACTIVE);
    hostConnected_ = true;
    kind_ = TKind::StatusNotifier;
}

// GtkStatusIcon is GTK 3's XEmbed tray icon; deprecated, it is still the one
// that the system trays of X desktops (XEmbed) show.
void TTrayIconMan::InstallXEmbed(GdkPixbuf* icon, const std::string& tip) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkStatusIcon* status = icon ? gtk_status_icon_new_from_pixbuf(icon)
                                 : gtk_status_icon_new_from_icon_name("application-x-executable");
    icon_ = GObjectPtr<GObject>::Adopt(G_OBJECT(status));
    gtk_status_icon_set_tooltip_text(status, tip.c_str());
    gtk_status_icon_set_title(status, tip.c_str());
    gtk_status_icon_set_name(status, "vadrome");
    signals_.emplace_back(status, "button-press-event", G_CALLBACK(TTraySignals::ButtonPressed), this);
    signals_.emplace_back(status, "button-release-event", G_CALLBACK(TTraySignals::ButtonReleased), this);
    gtk_status_icon_set_visible(status, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
    kind_ = TKind::XEmbed;
}

void TTrayIconMan::Remove() {
    if (kind_ == TKind::None) return;
    signals_.clear();
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    if (kind_ == TKind::XEmbed) gtk_status_icon_set_visible(GTK_STATUS_ICON(icon_.Get()), FALSE);
    G_GNUC_END_IGNORE_DEPRECATIONS
    if (kind_ == TKind::StatusNotifier) app_indicator_set_status(APP_INDICATOR(icon_.Get()), APP_INDICATOR_STATUS_PASSIVE);
    icon_.Reset();
    menu_.Reset();
    kind_ = TKind::None;
}

void TTrayIconMan::SetEnabled(bool enabled) { FEnabled = enabled; }

bool TTrayIconMan::Added() const {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    if (kind_ == TKind::XEmbed) return gtk_status_icon_is_embedded(GTK_STATUS_ICON(icon_.Get()));
    G_GNUC_END_IGNORE_DEPRECATIONS
    return kind_ == TKind::StatusNotifier && hostConnected_;
}

void TTrayIconMan::IconClicked(const GdkEventButton& event) {
    const std::uint32_t now = tickCount_();
    if (TickWrapped(now, FStartTick)) {
        FStartTick = now;
        FNextClickTick = 0;
    }
    if (!FEnabled) return;
    if (event.button == GDK_BUTTON_PRIMARY) LeftClicked(event.time);
    if (event.button == GDK_BUTTON_SECONDARY && FRightClickMenu)
        gtk_menu_popup_at_pointer(FRightClickMenu, reinterpret_cast<const GdkEvent*>(&event));
}

// The second click of a double click only brings a visible window to the front.
void TTrayIconMan::LeftClicked(guint32 time) {
    if (!FOnLeftClick) return;
    const TClickDecision decision = GuardClick(tickCount_(), FNextClickTick, DoubleClickTime());
    FNextClickTick = decision.NextClickTick;
    if (decision.Run)
        FOnLeftClick();
    else if (FTargetWindow && gtk_widget_get_visible(GTK_WIDGET(FTargetWindow)))
        gtk_window_present_with_time(FTargetWindow, time);
}
