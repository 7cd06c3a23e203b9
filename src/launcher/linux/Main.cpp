// The Linux runner's entry: GTK up, start-up, then GTK's main loop until
// the runner quits (the process ends inside Quit).
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "customize/linux/SplashForm.h"
#include "launcher/StampRules.h"
#include "launcher/linux/Modes.h"
#include "server/ServerText.h"
#include "util/Guard.h"
#include "util/IniText.h"
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

int RunCommandLine(int argc, char** argv) {
    return RunCommandLineMode(TCommandLine(std::vector<std::string>(argv + 1, argv + argc)));
}

// The desktop's task switcher and dock group the windows by their class: the
// executable's name and the stamped title, so a branded runner shows as its brand.
void SetProgramClass() {
    std::string name = "vadrome", title;
    Guarded([&] { name = LinuxFiles::ExeFileName(); });
    if (const auto config = LinuxFiles::ReadEmbeddedEntry(name, ConfigEntryName))
        title = TitleFromSetting(ReadIniText(*config, "INI", "title"));
    g_set_prgname(name.substr(name.find_last_of('/') + 1).c_str());
    // After GTK's start-up, which sets a class of its own from the program's name.
    if (!title.empty()) gdk_set_program_class(title.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (IsSplashCommand(argc, argv)) return RunSplash(argc, argv);
    if (argc >= 2) return RunCommandLine(argc, argv);
    RemoveLeftOverRenamer();
    if (!TRunner::ClaimSingleInstance()) return 0;
    const bool windowless = Windowless();
    if (!windowless && !gtk_init_check(&argc, &argv)) {
        std::fputs("vadrome: no display to show the window on (set DISPLAY or WAYLAND_DISPLAY)\n", stderr);
        return 1;
    }
    if (!windowless) SetProgramClass();
    std::unique_ptr<TRunner> runner = CreateRunner(windowless);
    runner->FormCreate();
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(loop);  // left only through Quit, which ends the process
    runner->Quit();
}
