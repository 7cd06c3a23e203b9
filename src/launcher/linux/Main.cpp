// The Linux runner's entry: GTK up, start-up, then GTK's main loop until
// the runner quits (the process ends inside Quit).
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "customize/linux/SplashForm.h"
#include "util/Text.h"
#include "util/linux/Files.h"

#include "server/linux/Runner.h"
#include "shell/linux/MainForm.h"

namespace {

// VADROME_WINDOWLESS=1: the servers and the site without a window, for
// figures of the server side alone and for machines without a display.
bool Windowless() {
    const char* value = std::getenv("VADROME_WINDOWLESS");
    return value && value[0] == '1';
}

std::unique_ptr<TRunner> CreateRunner(bool windowless) {
    if (windowless) return std::make_unique<TRunner>();
    return std::make_unique<TfrmMain>();
}

// "splash" and an existing settings file: the runner's splash child. Any
// other "splash" line ends at once, as on Windows.
bool IsSplashCommand(int argc, char** argv) { return argc >= 2 && LowerAscii(argv[1]) == "splash"; }

int RunSplash(int argc, char** argv) {
    if (argc < 3 || !LinuxFiles::FileExists(argv[2]) || !gtk_init_check(&argc, &argv)) return 0;
    RunSplashMode(argv[2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (IsSplashCommand(argc, argv)) return RunSplash(argc, argv);
    if (!TRunner::ClaimSingleInstance()) return 0;
    const bool windowless = Windowless();
    if (!windowless && !gtk_init_check(&argc, &argv)) {
        std::fputs("vadrome: no display to show the window on (set DISPLAY or WAYLAND_DISPLAY)\n", stderr);
        return 1;
    }
    std::unique_ptr<TRunner> runner = CreateRunner(windowless);
    runner->FormCreate();
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(loop);  // left only through Quit, which ends the process
    runner->Quit();
}
