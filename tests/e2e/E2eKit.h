// Drives the real runner end to end: lays out a distribution (a copy of the
// demo with stand-in servers) in a temporary folder, starts the runner like a
// user would, and watches its windows, processes and web site.
#pragma once
#include <windows.h>

#include <initializer_list>
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

    // A key of the runner's embedded Config.ini, as the executable holds it now.
    std::string EmbeddedConfigValue(const std::string& key) const;
    // The files the runner generated in its work folder (found by the site they serve).
    std::string WorkDir() const;
    std::optional<int> WebPort() const;
    std::optional<int> MysqlPort() const;

    void KillAll() const;
};

// Starts the runner as a double-click would and waits for that first process
// to hand over to the relaunched one.
void StartRunner(const TDistribution& distribution);
void StartRunner(const std::string& runner, const std::string& folder);

// A started runner with its own window: the shown main window and its site.
struct TRunningSite {
    HWND MainWindow = nullptr;
    DWORD RunnerId = 0;
    int WebPort = 0;
};
// Starts the runner and waits until its window shows and both web-server
// processes serve the site; fails the test when they do not.
TRunningSite StartAndWait(const TDistribution& distribution);
// No runner, web server or database server of the distribution runs.
bool NothingRunsFrom(const TDistribution& distribution);

// The main window ("TfrmMain") of a runner of this executable; with a process
// id, only that process's.
HWND FindMainWindow(const std::string& runner, DWORD processId = 0);
DWORD ProcessOfWindow(HWND window);

// A message box (dialog class) of a process of this executable with this caption.
HWND FindMessageBox(const std::string& exe, const std::string& caption);
// A top-level window of the process with this class (and caption, when given).
HWND FindWindowOf(DWORD processId, const wchar_t* className, const std::string& caption = {});
// A child control of this class (and text, when given).
HWND FindControl(HWND parent, const wchar_t* className, const std::string& text = {});
// The work folder of a runner whose httpd.conf serves this document root.
std::string WorkDirServing(const std::string& documentRoot);
// The port the httpd.conf of that work folder listens on.
std::optional<int> WebPortIn(const std::string& workDir);

// The runner's tray icon as the shell sees it: its hidden message window.
HWND FindTrayWindow(DWORD processId);
HWND FindApplicationWindow(DWORD processId);
// What the shell reports of a click on the icon: WM_LBUTTONUP or WM_RBUTTONUP.
void ClickTrayIcon(HWND trayWindow, UINT mouseMessage);
// The shell holds an icon for that window.
bool TrayIconPresent(HWND trayWindow);
// The shell drops the window's icon, as a shell that restarts does.
bool DropTrayIcon(HWND trayWindow);
// A right click on the icon; the menu window it opened, or nullptr.
HWND OpenTrayMenu(HWND trayWindow);
// Key presses as the window's message loop takes them.
void PostKeys(HWND window, std::initializer_list<WORD> keys);
// Pushes the button as a click does.
void Click(HWND button);
// Characters typed into the control, in place of its text.
void TypeText(HWND control, const std::string& text);
// A control's text, asked of the control itself (an edit of another process keeps its own).
std::string ControlText(HWND control);

// Ends the process when the scope is left, however it is left.
class TEndAtExit {
public:
    explicit TEndAtExit(DWORD processId) : processId_(processId) {}
    ~TEndAtExit();
    TEndAtExit(const TEndAtExit&) = delete;
    TEndAtExit& operator=(const TEndAtExit&) = delete;

private:
    DWORD processId_;
};

// TMP and TEMP of this process, and so of every runner it starts, for the life of the object.
class TTempFolderOverride {
public:
    explicit TTempFolderOverride(const std::string& folder);
    ~TTempFolderOverride();
    TTempFolderOverride(const TTempFolderOverride&) = delete;
    TTempFolderOverride& operator=(const TTempFolderOverride&) = delete;

private:
    std::optional<std::wstring> tmp_, temp_;
};

// A CD-ROM drive of Wine's over a folder, from its definition until Remove or
// the end of the object. Wine keeps reporting a CD-ROM drive readable when
// its folder goes, so a medium taken out is the drive going away.
class TCdRomDrive {
public:
    explicit TCdRomDrive(const std::string& folder);
    ~TCdRomDrive();  // ends what still runs from the drive first
    TCdRomDrive(const TCdRomDrive&) = delete;
    TCdRomDrive& operator=(const TCdRomDrive&) = delete;

    bool Defined() const { return letter_ != 0; }
    std::string Root() const;  // "R:\"
    void Remove();

private:
    wchar_t letter_ = 0;
};

// Wine's Unix path of a Windows path; empty when there is none.
std::string UnixPathOf(const std::string& path);
// Starts a Unix program of the host; Wine gives no handle to wait for it.
bool StartUnixProgram(const std::string& commandLine);

struct TLogLine {
    DWORD ProcessId = 0;
    std::string Key, Value;
};
// The lines a copy of a stand-in wrote beside itself: the browser's record,
// the servers' notes on requests to stop (StandinStop.h).
std::vector<TLogLine> ReadStandinLog(const std::string& exe);
// The keys of those lines, in order.
std::vector<std::string> KeysOf(const std::vector<TLogLine>& log);
std::vector<std::string> ValuesOf(const std::vector<TLogLine>& log, const std::string& key);

std::optional<standin::THttpResponse> GetPage(int port, const std::string& path);

}  // namespace e2e
