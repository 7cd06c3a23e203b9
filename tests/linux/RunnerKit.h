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

    // The runner with its output in Root/runner.log; windowless when asked or without a display.
    TChildProcess Start(bool windowless = false) const;
    std::string WorkFile(const std::string& name) const;  // "" when missing
    int WebPort() const;
    int DatabasePort() const;
    std::string Home() const { return "http://127.0.0.1:" + std::to_string(WebPort()); }
    // The servers of this distribution that run, whoever started them, under any user.
    std::vector<THeldProcess> Servers() const;
    // The home page once it shows the database's version; "" when it never does.
    std::string WaitForHomePage(unsigned limitMs = 90000) const;
};

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

// A top-level window as the X server has it.
struct TXWindow {
    int left = -1, top = -1, width = 0, height = 0;
    bool operator==(const TXWindow&) const = default;
};
// The visible window whose name is the pattern (a regular expression); nothing: all -1.
TXWindow FindXWindow(const std::string& namePattern);
// xdotool with the arguments; its output.
std::string Xdotool(const std::string& arguments);

// curl's output for the arguments; "" on failure.
std::string Curl(const std::string& arguments);
bool WaitUntil(unsigned limitMs, const std::function<bool()>& done);
long long Count(const std::string& text, const std::string& part);

inline std::ostream& operator<<(std::ostream& out, const TXWindow& w) {
    return out << w.width << "x" << w.height << "+" << w.left << "+" << w.top;
}
// Closes the process's shown windows as a window manager would, or only
// looks for them; false when it has none.
bool CloseWindowsOf(pid_t pid, bool close = true);
