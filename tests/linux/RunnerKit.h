// A copy of the Linux demo distribution in a folder with blanks and letters
// beyond ASCII, the runner started on it, and looks at what it left running.
#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "util/linux/ChildProcess.h"
#include "util/linux/Processes.h"

struct TSite {
    explicit TSite(const std::string& name);
    ~TSite();
    std::string Root, Dir, Exe, Work;
    int ConfiguredPort = 0;  // stamped into the copy

    // The runner (or another copy of it) with its output in Root/runner.log;
    // windowless when asked or without a display.
    TChildProcess Start(bool windowless = false, const std::string& exe = "") const;
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

// The test site's driven pages (tests/linux/site) in the distribution's www,
// the home page among them: each page runs the script left for it and
// reports what it saw.
struct TDrivenSite : TSite {
    explicit TDrivenSite(const std::string& name);
    void Drive(const std::string& page, const std::string& script) const;
    // Waits for the page's report that starts with text; false when it never comes.
    bool WaitForReport(const std::string& page, const std::string& text, unsigned limitMs = 30000) const;
    std::string Reports() const;
};

// curl's output for the arguments; "" on failure.
std::string Curl(const std::string& arguments);
bool WaitUntil(unsigned limitMs, const std::function<bool()>& done);
// How long a window may take to show on a loaded machine.
constexpr unsigned ShowBoundMs = 15000;
long long Count(const std::string& text, const std::string& part);

// The test's X display, driven as a user would (xdotool, ImageMagick).
namespace OnScreen {
struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TBounds&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const TBounds& b) {
    return out << b.Width << "x" << b.Height << "+" << b.Left << "+" << b.Top;
}
// Ids of the mapped windows whose name matches the pattern (a regular expression).
std::vector<std::string> VisibleWindows(const std::string& namePattern);
std::vector<std::string> VisibleWindowsOf(int pid);
TBounds Bounds(const std::string& window);
// The first mapped window whose name matches; none: zero bounds.
TBounds Find(const std::string& namePattern);
// In the middle of the bounds.
void Click(const TBounds& on, int button, int repeat = 1);
// Gives the first mapped window whose name matches the focus.
void Focus(const std::string& namePattern);
void Key(const std::string& keys);
void Type(const std::string& text);
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
    // Right-clicks the icon until the process shows its menu; false after a few tries. Under
    // Xvfb without a window manager a click now and then lands nowhere (the pointer at 0,0).
    bool OpenMenu(const std::string& name, pid_t owner) const;

private:
    TChildProcess trayer_;
};
// Closes the process's shown windows as a window manager would, or only
// looks for them; false when it has none.
bool CloseWindowsOf(pid_t pid, bool close = true);
