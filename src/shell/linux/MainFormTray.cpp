// The main window's part in the tray: its icon and menu, hiding to the tray
// and coming back, the About box, the splash child, and the end of the runner
// when the medium it runs from goes away.
#include <gio/gunixmounts.h>
#include <sys/stat.h>

#include "customize/linux/KorvaneAboutForm.h"
#include "server/Product.h"
#include "shell/linux/AppIcon.h"
#include "shell/linux/MainForm.h"
#include "shell/linux/MessageDialog.h"
#include "util/Guard.h"
#include "util/Maker.h"
#include "util/linux/Files.h"

namespace {

// A volume can vanish for a moment while the system remounts it.
const unsigned MediumRecheckMs = 1000;

}  // namespace

struct TMainFormTraySignals {
    static TfrmMain& Form(gpointer self) { return *static_cast<TfrmMain*>(self); }
    // A pick runs from the main loop, not from inside the menu: Exit frees the menu.
    static void ItemActivated(GtkMenuItem* item, gpointer self) {
        Form(self).pickedTrayItem_ = GTK_WIDGET(item);
        Form(self).trayPick_.Start(0, PickDue, self);
    }
    static gboolean PickDue(gpointer self) {
        Form(self).trayPick_.Forget();
        AtCallbackEdge(Form(self).Handle(), [&] { Form(self).TrayItemChosen(Form(self).pickedTrayItem_); });
        return G_SOURCE_REMOVE;
    }
    static gboolean WindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
        AtCallbackEdge(Form(self).Handle(), [&] { Form(self).WindowStateChanged(*event); });
        return FALSE;
    }
    static void MountsChanged(GUnixMountMonitor*, gpointer self) {
        Guarded([&] { Form(self).MountsChanged(); });
    }
    static gboolean MediumRecheck(gpointer self) {
        Form(self).mediumCheck_.Forget();
        bool gone = false;
        Guarded([&] { gone = Form(self).MediumGone(); });
        if (gone) Form(self).Quit();
        return G_SOURCE_REMOVE;
    }
};

// ---- the tray menu

// Show/Hide, Change IP Address or Port, About and Exit. About is the one way
// to the About box, so it is shown; the Windows menu's hidden Help, Contact
// Us and Visit Website items have no place here. Minimising is watched for
// hiding to the tray.
void TfrmMain::CreateTray() {
    traySignals_.emplace_back(Handle(), "window-state-event", G_CALLBACK(TMainFormTraySignals::WindowState), this);
    trayMenu_ = GObjectPtr<GtkWidget>::RefSink(gtk_menu_new());
    mnuTray = trayMenu_.Get();
    mnuTray_Show = AddTrayItem("_Show/Hide Main Window", &TfrmMain::mnuTray_ShowClick);
    // The default item is bold, by attributes: a StatusNotifier host gets the plain text.
    PangoAttrList* bold = pango_attr_list_new();
    pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    gtk_label_set_attributes(GTK_LABEL(gtk_bin_get_child(GTK_BIN(mnuTray_Show))), bold);
    pango_attr_list_unref(bold);
    mnuTray_Separator0 = AddTrayItem(nullptr, nullptr);
    mnuTray_Settings = AddTrayItem("_Change IP Address or Port...", &TfrmMain::mnuTray_SettingsClick);
    mnuTray_Separator1 = AddTrayItem(nullptr, nullptr);
    mnuTray_About = AddTrayItem("_About...", &TfrmMain::mnuTray_AboutClick);
    mnuTray_Separator2 = AddTrayItem(nullptr, nullptr);
    mnuTray_Exit = AddTrayItem("E_xit", &TfrmMain::mnuTray_ExitClick);
    gtk_widget_show_all(mnuTray);
}

GtkWidget* TfrmMain::AddTrayItem(const char* caption, THandler handler) {
    GtkWidget* item = caption ? gtk_menu_item_new_with_mnemonic(caption) : gtk_separator_menu_item_new();
    gtk_menu_shell_append(GTK_MENU_SHELL(mnuTray), item);
    if (handler) {
        trayHandlers_.emplace_back(item, handler);
        traySignals_.emplace_back(item, "activate", G_CALLBACK(TMainFormTraySignals::ItemActivated), this);
    }
    return item;
}

void TfrmMain::TrayItemChosen(GtkWidget* item) {
    if (TrayIcon && !TrayIcon->Enabled()) return;  // a host that opens the menu itself, while a dialog runs
    for (const auto& [widget, handler] : trayHandlers_)
        if (widget == item) (this->*handler)();
}

void TfrmMain::SetSettingsItemEnabled(bool enabled) { gtk_widget_set_sensitive(mnuTray_Settings, enabled); }

// Everything between the first separator and Exit: Show/Hide, one separator and Exit remain.
void TfrmMain::HideBrandedTrayItems() {
    for (GtkWidget* item : {mnuTray_Settings, mnuTray_Separator1, mnuTray_About, mnuTray_Separator2})
        gtk_widget_hide(item);
}

void TfrmMain::ApplyBrandLayout() {
    SetCustomizeButtonVisible(false);
    HideBrandedTrayItems();
}

// ---- the icon

void TfrmMain::ShowTrayIcon(bool show) {
    if (!show) {
        trayIconFreed_ = true;
        Guarded([&] { TrayIcon.reset(); });
        return;
    }
    if (trayIconFreed_ || TrayIcon) return;
    GObjectPtr<GdkPixbuf> icon = LoadMainIcon();
    auto tray = std::make_unique<TTrayIconMan>();
    tray->Install(icon.Get(), TrayIconFile(icon.Get()), ProductTitle, Handle(), GTK_MENU(mnuTray),
                  [this] { ToggleMainWindow(); });
    TrayIcon = std::move(tray);
}

// A StatusNotifier host reads the picture from a file of its own.
std::string TfrmMain::TrayIconFile(GdkPixbuf* icon) const {
    if (!icon || WorkDir.empty()) return {};
    const std::string path = WorkDir + "/tray-icon.png";
    return gdk_pixbuf_save(icon, path.c_str(), "png", nullptr, nullptr) ? path : std::string();
}

void TfrmMain::EnableTrayIcon(bool enabled) {
    if (TrayIcon) TrayIcon->SetEnabled(enabled);
}

// ---- showing and hiding

// A hidden window has no taskbar button; shown again it comes back restored,
// in front, with the click's time so the window manager lets it.
void TfrmMain::SetMainWindowVisible(bool show) {
    GtkWindow* window = Handle();
    if (!show) {
        gtk_widget_hide(GTK_WIDGET(window));
        return;
    }
    gtk_window_deiconify(window);
    Show();
    gtk_window_present_with_time(window, gtk_get_current_event_time());
}

void TfrmMain::ToggleMainWindow() { SetMainWindowVisible(!gtk_widget_get_visible(GTK_WIDGET(Handle()))); }

void TfrmMain::WindowStateChanged(const GdkEventWindowState& event) {
    if ((event.changed_mask & GDK_WINDOW_STATE_ICONIFIED) && (event.new_window_state & GDK_WINDOW_STATE_ICONIFIED))
        HideToTrayWhenMinimized();
}

// Only with an icon on the screen to bring the window back.
void TfrmMain::HideToTrayWhenMinimized() {
    if (!Started || !TrayIconEnabled || !TrayIcon || !TrayIcon->Added()) return;
    if (gtk_widget_get_visible(GTK_WIDGET(Handle()))) SetMainWindowVisible(false);
}

// ---- tray menu handlers

void TfrmMain::mnuTray_AboutClick() {
    const TTrayIconPause pause(*this);
    GtkWindow* owner = gtk_widget_get_visible(GTK_WIDGET(Handle())) ? Handle() : nullptr;
    TfrmKorvaneAbout about(owner);
    about.AppTitle = ProductTitle;
    about.AppVersion = ProductVersion;
    about.NoticeText = ProductNotice;
    about.ShowModal();
}

// ---- the splash child

TChildProcess TfrmMain::StartSplashProcess() {
    TSpawnOptions options;
    options.Arguments = {LinuxFiles::ExeFileName(), "splash", ConfigIniPath};
    TChildProcess splash;
    Guarded([&] { splash = SpawnChild(options); });  // no splash is no reason not to start
    return splash;
}

// ---- the medium the runner runs from

// The folder of the executable lies on a device now; when the mounts change
// and the folder is no longer on that device (or gone), the runner's medium
// was taken (or unmounted, as the desktop does with a stick pulled out).
void TfrmMain::WatchMedium() {
    struct stat folder {};
    if (AppDir.empty() || ::stat(AppDir.c_str(), &folder) != 0) return;
    appDevice_ = folder.st_dev;
    mounts_ = GObjectPtr<GUnixMountMonitor>::Adopt(g_unix_mount_monitor_get());
    traySignals_.emplace_back(mounts_.Get(), "mounts-changed", G_CALLBACK(TMainFormTraySignals::MountsChanged), this);
}

bool TfrmMain::MediumGone() const {
    struct stat folder {};
    return ::stat(AppDir.c_str(), &folder) != 0 || folder.st_dev != appDevice_;
}

void TfrmMain::MountsChanged() {
    if (MediumGone() && !mediumCheck_.Running())
        mediumCheck_.Start(MediumRecheckMs, TMainFormTraySignals::MediumRecheck, this);
}
