// The runner's state and its server-stack operations. The main window
// (TfrmMain) derives from it and supplies the window-side hooks, so the
// start-up and shutdown sequences live here and are tested with a fake window.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "server/ServerRules.h"
#include "util/ChildProcess.h"

// The machine-wide lock a runner of this application folder holds while it runs.
std::string AppFolderLockName();

class TRunner {
public:
    TRunner() = default;
    TRunner(const TRunner&) = delete;
    TRunner& operator=(const TRunner&) = delete;
    virtual ~TRunner() = default;

    // Settings (Config.ini in the work folder, Brand.ini)
    virtual std::string ExtractConfigFile();
    std::string ReadConfigValue(const std::string& key);
    void WriteConfigValue(const std::string& key, const std::string& value);
    std::string ReadBrandValue(const std::string& key);
    void WriteBrandValue(const std::string& key, const std::string& value);
    std::string GetBrandIniPath();
    // The browser control's document mode for this executable's file name, as
    // Config.ini's "browseremulation" says; before the first control is made.
    void RegisterBrowserEmulation();

    // Server configuration files in the work folder; each returns its path
    std::string WriteHttpdConf();
    std::string WritePhpIni();
    std::string WriteMyIni();

    // Server processes
    std::string ResolveBinDir();
    static void KillProcessesByPath(const std::string& path);
    static void KillLeftoversByPath(const std::string& path);

    // Start-up (the window's create handler) and shutdown
    void FormCreate();
    [[noreturn]] void FormDestroy();
    [[noreturn]] void Quit();
    void Timer1Timer();
    // The splash close timer's tick: the first complete page ends the splash,
    // and so does the limit after start-up when the page never completes.
    void CloseSplashWhenDue(bool pageComplete);
    // A process id an external browser reported through the browser message.
    void ReportBrowserProcess(int id);

    // Fields
    std::string WorkDir, BinDir, ConfigIniPath, BrandIniPath;
    std::string BrowserIniPath, BrowserPath, BrowserParameters, FavoritesFile;
    std::string MySqlExePath, MyIniPath, HttpdConfPath, ApacheExePath;
    int MySqlPort = 0, WebPort = 0;
    // The processes we started, held so that every kill reaches them and no
    // later process that inherits one of their ids.
    TChildProcess MySqlProcess, ApacheProcess, SplashProcess, BrowserProcess, ReportedBrowserProcess;
    std::vector<TChildProcess> ApacheProcesses;  // every Apache.exe of ours once the web server was up
    // The servers and the splash end with the runner, however the runner ends.
    UniqueHandle ChildJob;
    unsigned BrowserMessageId = 0;
    bool Started = false;
    bool TrayIconEnabled = true, ShowToolbar = true, ShowStatusBar = true, ShowCustomizeButton = true;

    // Bounds of the waits for processes that might never appear as expected.
    unsigned WebServerWaitLimitMs = 20000;     // then start-up goes on with what runs
    unsigned DatabaseWaitLimitMs = 30000;      // for its port, then start-up goes on without it
    unsigned BrowserStartWaitLimitMs = 30000;  // then the browser counts as ended
    unsigned ServerStopWaitLimitMs = 5000;     // for the servers asked to stop, then they are killed
    unsigned SplashCloseLimitMs = 10000;       // after start-up, for a first page that never completes

protected:
    // Window-side hooks, supplied by the main window.
    virtual void InstallHintWindow() {}
    // The window's bars and browser control: built while the web server starts up.
    virtual void BuildWindow() {}
    virtual void SetCaption(const std::string& /*title*/) {} // application title and caption
    virtual void PrepareMaximizedStart() {}                  // icon + maximized state
    virtual void NavigateTo(const std::string& /*url*/) {}
    virtual void SetShowMainFormOnStart(bool /*show*/) {}
    virtual void BringApplicationToFront() {}                // foreground + ForceForegroundWindow
    virtual void StartTimer1(unsigned /*milliseconds*/) {}
    virtual void StopTimer1() {}
    virtual std::string BuildFavoritesMenu() { return {}; }
    virtual void SetOrganizeFavoritesBarBreak() {}
    virtual void SetBrowserSilent(bool /*silent*/) {}
    virtual void SetSettingsItemEnabled(bool /*enabled*/) {}
    virtual void ApplyBrandLayout() {}                       // first six buttons, short tray menu
    virtual void SetHomeHint(const std::string& /*hint*/) {}
    virtual void HideCustomizeButton() {}
    virtual void SetBarsVisible(bool /*toolbar*/, bool /*statusBar*/) {}
    virtual void MoveProgressBarIntoStatusBar() {}
    virtual void SetAddressText(const std::string& /*text*/) {}
    virtual void EnterFullScreen() {}
    virtual void SetApplicationToolWindow(bool /*toolWindow*/) {}
    virtual void MinimizeMainWindow() {}
    virtual void ShowTrayIcon(bool /*show*/) {}
    virtual void StartSplashCloseTimer() {}
    virtual void StopSplashCloseTimer() {}
    virtual bool HideMainWindow() { return false; }          // true when it was visible
    // Seams of the platform that tests replace.
    virtual bool RunsFromCdRom();
    virtual std::string SingleInstanceName();
    virtual TChildProcess StartSplashProcess();
    virtual int StartupShowCommand();
    // The process ends here; tests override it to observe instead.
    [[noreturn]] virtual void EndProcess();
    // Starts a hidden or shown child inside ChildJob, created with the first.
    TChildProcess StartInJob(const std::string& exe, const std::string& params, int showCommand);

private:
    void EnsureSingleInstance();
    void CheckWorkFolder();
    void SetEnvironmentFirst();
    void SetEnvironmentSecond();
    void PrepareSettings();
    void StartServers();
    void CheckServerFolders();
    void StartDatabaseServer();
    void ChooseWebPort();
    void StartWebServer();
    void WaitForWebServer();
    void WaitForDatabaseServer();
    TServerLook WaitForServer(const TChildProcess& server, unsigned long long startedAt, unsigned limitMs,
                              const std::function<bool()>& isUp);
    std::string WebServerErrorLogPath();
    std::string DatabaseErrorLogPath();
    unsigned long long webServerStartedAt_ = 0, databaseStartedAt_ = 0;  // tick counts
    unsigned long webServerStartError_ = 0, databaseStartError_ = 0;     // why the start failed
    void LoadExplorerModule();
    bool ReadBrowserIni();
    [[noreturn]] void RunExternalBrowser();
    void RunOwnBrowser();
    void ApplyStartState();
    std::string ExpandedBrowserPath();
    void CloseSplash();
    void OpenHomePage(const std::string& url);
    void StopEverything();
    void StopServers();
    [[noreturn]] void Terminate();  // EndProcess, whatever an override does
    [[noreturn]] void ReportStartUpFailure(const std::string& reason);
    unsigned long long splashCloseDeadline_ = 0;
    std::string CopyFromDisc(const std::string& name);
};

// All x87 and SSE floating-point exceptions masked for the whole process.
void MaskFloatingPointExceptions();
