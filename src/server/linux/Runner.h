// The Linux runner's state and its server-stack operations. The main window
// (TfrmMain) derives from it and supplies the window-side hooks; without a
// window the hooks do nothing and messages go to stderr.
#pragma once
#include <string>

#include "util/linux/ChildProcess.h"
#include "util/linux/Fd.h"

class TRunner {
public:
    TRunner();
    TRunner(const TRunner&) = delete;
    TRunner& operator=(const TRunner&) = delete;
    virtual ~TRunner();

    // Settings (Config.ini in the work folder, from the executable's own data; Brand.ini)
    std::string ExtractConfigFile();
    std::string ReadConfigValue(const std::string& key);
    void WriteConfigValue(const std::string& key, const std::string& value);
    std::string ReadBrandValue(const std::string& key);
    void WriteBrandValue(const std::string& key, const std::string& value);
    std::string GetBrandIniPath();

    // Server configuration files in the work folder; each returns its path
    std::string WriteHttpdConf();
    std::string WritePhpIni();
    std::string WriteMyIni();

    std::string ResolveBinDir();

    // Before GTK is up: when another runner of this work folder runs, tells it
    // to bring its window to the front and returns false (this process then
    // ends, touching nothing); otherwise holds the lock for FormCreate.
    static bool ClaimSingleInstance();
    static std::string WorkFolderPath();

    // Start-up, run once GTK is initialised and before its main loop; the
    // process ends inside it for a second start and in external-browser mode.
    void FormCreate();
    // The window is going: servers stopped, then the process ends.
    [[noreturn]] void FormDestroy();
    [[noreturn]] void Quit();
    void Timer1Timer();
    // The splash close timer's tick: the first complete page ends the splash,
    // and so does the limit after start-up when the page never completes.
    void CloseSplashWhenDue(bool pageComplete);

    // Fields
    std::string AppDir, WorkDir, BinDir, ConfigIniPath, BrandIniPath;
    std::string BrowserIniPath, BrowserPath, BrowserParameters, FavoritesFile;
    std::string MySqlExePath, MyIniPath, MySqlLogPath, HttpdConfPath, ApacheExePath, ApacheLogPath;
    int MySqlPort = 0, WebPort = 0;
    TChildProcess MySqlProcess, ApacheProcess, SplashProcess, BrowserProcess;
    bool Started = false;
    bool TrayIconEnabled = true, ShowToolbar = true, ShowStatusBar = true, ShowCustomizeButton = true;

    // Bounds of the waits for processes that might never do what is expected.
    unsigned WebServerWaitLimitMs = 20000;     // for the web port to accept
    unsigned DatabaseWaitLimitMs = 60000;      // for the database port, before the first page
    unsigned BrowserStartWaitLimitMs = 30000;  // then the browser counts as ended
    unsigned ServerStopWaitLimitMs = 5000;     // for the servers asked to stop, then they are killed
    unsigned SplashCloseLimitMs = 10000;       // after start-up, for a first page that never completes

protected:
    // Window-side hooks, supplied by the main window.
    virtual void BuildWindow() {}                            // bars and web view, while the servers start
    virtual void SetCaption(const std::string& /*title*/) {}
    virtual void PrepareMaximizedStart() {}                  // icon + maximized state
    virtual void NavigateTo(const std::string& /*url*/) {}
    virtual void SetShowMainFormOnStart(bool /*show*/) {}
    virtual void ShowMainForm() {}                           // end of start-up, unless switched off
    virtual void BringApplicationToFront() {}                // also when a second start asks
    virtual void StartTimer1(unsigned /*milliseconds*/) {}
    virtual void StopTimer1() {}
    virtual std::string BuildFavoritesMenu() { return {}; }
    virtual void SetBrowserSilent(bool /*silent*/) {}
    virtual void SetSettingsItemEnabled(bool /*enabled*/) {}
    virtual void ApplyBrandLayout() {}                       // first six buttons, short tray menu
    virtual void SetHomeHint(const std::string& /*hint*/) {}
    virtual void HideCustomizeButton() {}
    virtual void SetBarsVisible(bool /*toolbar*/, bool /*statusBar*/) {}
    virtual void SetAddressText(const std::string& /*text*/) {}
    virtual void EnterFullScreen() {}
    virtual void MinimizeMainWindow() {}
    virtual void ShowTrayIcon(bool /*show*/) {}
    virtual void StartSplashCloseTimer() {}
    virtual void StopSplashCloseTimer() {}
    virtual bool HideMainWindow() { return false; }          // true when it was visible
    // A modal message; the default writes it to stderr.
    virtual void ShowMessage(const std::string& text, const std::string& caption, bool error);
    // Seams of the platform that tests replace.
    virtual int StartupShowCommand();
    virtual TChildProcess StartSplashProcess() { return {}; }
    // The process ends here.
    [[noreturn]] virtual void EndProcess();

    // Handles pending GTK events, then sleeps what is left of the pause while
    // handling the events that arrive.
    static void ProcessMessagesAndSleep(unsigned milliseconds);

private:
    friend struct TRunnerEvents;
    bool EnsureSingleInstance();
    void ListenForSecondStarts();
    void OnSecondStart();
    void SetEnvironmentFirst();
    void SetEnvironmentSecond();
    void PrepareSettings();
    void StartServers();
    void EndLeftovers();
    void StartDatabaseServer(int firstPort);
    bool MovedDatabaseServer();
    void ChooseWebPort();
    void StartWebServer();
    void CheckWebServerProgram();
    void WaitForWebServer();
    void WaitForDatabaseServer();
    void CheckServerAlive(TChildProcess& server, const std::string& name, const std::string& log);
    static bool IsServerUp(TChildProcess& server, int port);
    bool ReadBrowserIni();
    [[noreturn]] void RunExternalBrowser();
    void RunOwnBrowser();
    void ApplyStartState();
    void CloseSplash();
    void OpenHomePage(const std::string& url);
    void StopEverything();
    void StopServers();
    [[noreturn]] void Terminate();
    [[noreturn]] void ReportStartUpFailure(const std::string& reason);

    UniqueFd instanceLock_, instanceSocket_;
    unsigned instanceWatch_ = 0;
    long long webServerStartedAt_ = 0, splashCloseDeadline_ = 0;  // monotonic ms
};
