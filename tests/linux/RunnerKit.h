// A copy of the Linux demo distribution in a folder with blanks and letters
// beyond ASCII, the runner started on it, and looks at what it left running.
#pragma once
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

// curl's output for the arguments; "" on failure.
std::string Curl(const std::string& arguments);
bool WaitUntil(unsigned limitMs, const std::function<bool()>& done);
long long Count(const std::string& text, const std::string& part);
// Closes the process's shown windows as a window manager would, or only
// looks for them; false when it has none.
bool CloseWindowsOf(pid_t pid, bool close = true);
