#include "customize/linux/SplashForm.h"

#include "customize/SplashRules.h"
#include "server/ServerText.h"
#include "util/IniText.h"
#include "util/Timeline.h"
#include "util/image/PictureLoader.h"
#include "util/linux/Files.h"

namespace {

const char SplashEntry[] = "RES_SPLASH";
const std::uint8_t FaceGrey = 240;  // the dialog face the Windows splash shows through

gboolean SplashClicked(GtkWidget*, GdkEvent*, gpointer form) {
    static_cast<TfrmSplash*>(form)->Image1Click();
    return TRUE;
}

GdkRectangle PrimaryScreen(GtkWindow* window) {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle area{};
    if (monitor) gdk_monitor_get_geometry(monitor, &area);
    return area;
}

}  // namespace

GObjectPtr<GdkPixbuf> PixbufOf(const TPicture& picture, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (picture.Empty()) return {};
    TPicture flat = picture;
    FlattenOnto(flat, red, green, blue);
    auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, flat.Width, flat.Height));
    guchar* rows = gdk_pixbuf_get_pixels(pixbuf.Get());
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.Get());
    for (int y = 0; y < flat.Height; ++y)
        for (int x = 0; x < flat.Width; ++x) {
            const std::uint8_t* bgra = &flat.Bgra[(static_cast<size_t>(y) * flat.Width + x) * 4];
            guchar* rgb = rows + y * stride + x * 3;
            rgb[0] = bgra[2], rgb[1] = bgra[1], rgb[2] = bgra[0];
        }
    return pixbuf;
}

TfrmSplash::TfrmSplash() : window_(GObjectPtr<GtkWidget>::RefSink(gtk_window_new(GTK_WINDOW_TOPLEVEL))) {
    GtkWindow* window = Handle();
    gtk_window_set_decorated(window, FALSE);
    gtk_window_set_keep_above(window, TRUE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);  // no taskbar button of its own
    gtk_window_set_skip_pager_hint(window, TRUE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_accept_focus(window, FALSE);
    gtk_window_set_focus_on_map(window, FALSE);
    GtkWidget* box = gtk_event_box_new();
    Image1 = gtk_image_new();
    gtk_container_add(GTK_CONTAINER(box), Image1);
    gtk_container_add(GTK_CONTAINER(window), box);
    click_ = TSignalConnection(box, "button-press-event", G_CALLBACK(SplashClicked), this);
}

TfrmSplash::~TfrmSplash() {
    click_.Disconnect();
    gtk_widget_destroy(window_.Get());
}

void TfrmSplash::Show() {
    FormShow();
    gtk_widget_show_all(window_.Get());
}

// The window takes the picture's size and sits in the middle of the primary screen.
void TfrmSplash::FormShow() {
    TPicture picture;
    const TEmbeddedData data = LinuxFiles::ReadEmbeddedData(LinuxFiles::ExeFileName());
    if (const auto splash = data.find(SplashEntry); splash != data.end()) LoadPicture(picture, splash->second);
    GObjectPtr<GdkPixbuf> pixbuf = PixbufOf(picture, FaceGrey, FaceGrey, FaceGrey);
    gtk_image_set_from_pixbuf(GTK_IMAGE(Image1), pixbuf.Get());
    const GdkRectangle screen = PrimaryScreen(Handle());
    const TSplashBounds bounds = CentredSplashBounds(picture.Width, picture.Height, screen.width, screen.height);
    gtk_widget_set_size_request(Image1, bounds.Width, bounds.Height);
    gtk_window_move(Handle(), screen.x + bounds.Left, screen.y + bounds.Top);
}

void RunSplashMode(const std::string& settingsPath) {
    if (!IsSwitchOn(ReadIniText(LinuxFiles::ReadFile(settingsPath), "INI", "showsplash"))) return;
    TfrmSplash splash;
    splash.Show();
    TimelineMark("splash-shown");
    // Never left: the runner ends this process (or the kernel does, when the runner dies).
    for (;;) g_main_context_iteration(nullptr, TRUE);
}
