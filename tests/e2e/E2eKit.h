// Drives the real runner end to end: lays out a distribution (a copy of the
// demo with stand-in servers) in a temporary folder, starts the runner like a
// user would, and watches its windows, processes and web site.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "StandinNet.h"
#include "tools/WindowSearch.h"

namespace e2e {

using standin::ProcessesRunning;
using standin::WaitUntil;

class TDistribution {
public:
    // A copy of the demo in a fresh temporary folder named after name, or in
    // a sub-folder of it when one is named.
    explicit TDistribution(const std::string& name, const std::string& subfolder = {});
    ~TDistribution();  // ends every process started from the folder
    TDistribution(const TDistribution&) = delete;
    TDistribution& operator=(const TDistribution&) = delete;

    std::string Folder, Runner, BinDir, ApacheExe, MysqldExe;

    // Rewrites one key of the runner's embedded Config.ini.
    void SetConfigValue(const std::string& key, const std::string& value);
    void WriteFile(const std::string& relative, const std::string& text) const;
    // A copy of the browser stand-in at bin\<relative>; its settings beside it.
    std::string AddBrowser(const std::string& relative, const std::string& settings) const;
    // The browser stand-in at bin\browser\browser.exe, named by Browser.ini
    // through {bin}; browserSection adds lines to its [Browser] section.
    std::string UseExternalBrowser(const std::string& settings, const std::string& browserSection) const;

    // The files the runner generated in its work folder (found by the site they serve).
    std::string WorkDir() const;
    std::optional<int> WebPort() const;
    std::optional<int> MysqlPort() const;

    void KillAll() const;
};

// Starts the runner as a double-click would and waits for that first process
// to hand over to the relaunched one.
void StartRunner(const TDistribution& distribution);

// The main window ("TfrmMain") of a runner of this executable; with a process
// id, only that process's.
HWND FindMainWindow(const std::string& runner, DWORD processId = 0);
DWORD ProcessOfWindow(HWND window);

// A message box (dialog class) of a process of this executable with this caption.
HWND FindMessageBox(const std::string& exe, const std::string& caption);

struct TLogLine {
    DWORD ProcessId = 0;
    std::string Key, Value;
};
// The lines a copy of the browser stand-in wrote.
std::vector<TLogLine> ReadBrowserLog(const std::string& browserExe);
std::vector<std::string> ValuesOf(const std::vector<TLogLine>& log, const std::string& key);

std::optional<standin::THttpResponse> GetPage(int port, const std::string& path);

}  // namespace e2e
