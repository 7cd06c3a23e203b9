// A copy of the Linux demo distribution in a folder with blanks and letters
// beyond ASCII, the runner started on it, and looks at what it left running.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "util/linux/ChildProcess.h"
#include "util/linux/Processes.h"

struct TSite {
    explicit TSite(const std::string& name);
    ~TSite();
    std::string Root, Dir, Exe, Work;
    int ConfiguredPort = 0;  // stamped into the copy

    // The runner with its output in Root/runner.log; windowless when asked or without a display.
    TChildProcess Start(bool windowless = false) const;
    std::string WorkFile(const std::string& name) const;  // "" when missing
    int WebPort() const;
    int DatabasePort() const;
    std::string Home() const { return "http://127.0.0.1:" + std::to_string(WebPort()); }
    // The servers of this distribution that run, whoever started them, under any user.
    std::vector<THeldProcess> Servers() const;
    // Its splash processes that run.
    std::vector<THeldProcess> Splashes() const;
    // The home page once it shows the database's version; "" when it never does.
    std::string WaitForHomePage(unsigned limitMs = 90000) const;
};

// The runner is gone and so are its servers and splash, the database after a clean stop.
void CheckAllEndedCleanly(const TSite& site, TChildProcess& runner, long long shutdownsBefore);

// A command's standard output; "" on failure.
std::string Output(const std::string& command);
// curl's output for the arguments; "" on failure.
std::string Curl(const std::string& arguments);
bool WaitUntil(unsigned limitMs, const std::function<bool()>& done);
long long Count(const std::string& text, const std::string& part);

// The test's X display, driven as a user would (xdotool, ImageMagick).
namespace OnScreen {
struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};
// Ids of the mapped windows whose name matches the pattern (a regular expression).
std::vector<std::string> VisibleWindows(const std::string& namePattern);
std::vector<std::string> VisibleWindowsOf(int pid);
TBounds Bounds(const std::string& window);
void Click(const TBounds& on, int button, int repeat = 1);
void Key(const std::string& key);
// The whole screen as $VADROME_SCREENSHOTS/name.
void Screenshot(const std::string& name);
}  // namespace OnScreen

// An XEmbed system tray (Debian's trayer) at the top right of the screen.
class TTrayHost {
public:
    explicit TTrayHost(const std::string& logPath);
    // On top of the other windows, which a bare X server stacks in the order they came.
    void Raise() const;
    // The icon embedded in it with that name; none: zero bounds.
    OnScreen::TBounds Icon(const std::string& name) const;

private:
    TChildProcess trayer_;
};
// Closes the process's shown windows as a window manager would, or only
// looks for them; false when it has none.
bool CloseWindowsOf(pid_t pid, bool close = true);
