// A bare WebKitGTK window loading one address: the floor the runner's window
// is measured against. Prints "rendered <ms since process start>" once the
// first load has finished, then ends.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double SecondsSinceBoot() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void LoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer startedAt) {
    if (event != WEBKIT_LOAD_FINISHED) return;
    std::printf("rendered %.0f\n", (SecondsSinceBoot() - *static_cast<double*>(startedAt)) * 1000);
    std::fflush(stdout);
    gtk_main_quit();
}

}  // namespace

int main(int argc, char** argv) {
    double startedAt = SecondsSinceBoot();
    if (argc > 2) startedAt = std::atof(argv[2]);  // the launch as the caller saw it
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1024, 768);
    GtkWidget* view = webkit_web_view_new();
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(view, "load-changed", G_CALLBACK(LoadChanged), &startedAt);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argc > 1 ? argv[1] : "about:blank");
    gtk_widget_show_all(window);
    gtk_main();
}
