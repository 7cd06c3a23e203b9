// The runner's state and its server-stack operations. The main window
// (TfrmMain) derives from it and supplies the window-side hooks, so the
// start-up and shutdown sequences live here and are tested with a fake window.
#pragma once
#include <string>
#include <vector>

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

    // Server configuration files in the work folder; each returns its path
    std::string WriteHttpdConf();
    std::string WritePhpIni();
    std::string WriteMyIni();

    // Server processes
    std::string ResolveBinDir();
    static void KillProcessesByPath(const std::string& path);

    // Start-up (the window's create handler) and shutdown
    void FormCreate();
    [[noreturn]] void FormDestroy();
    [[noreturn]] void Quit();
    void Timer1Timer();

    // Fields
    std::string WorkDir, BinDir, ConfigIniPath, BrandIniPath;
    std::string BrowserIniPath, BrowserPath, BrowserParameters, FavoritesFile;
    std::string MySqlExePath, MyIniPath, HttpdConfPath, ApacheExePath;
    int MySqlPort = 0, WebPort = 0;
    int MySqlProcessId = 0, ApacheProcessId = 0, SplashProcessId = 0;
    int BrowserProcessId = 0, ReportedBrowserProcessId = 0;
    std::vector<int> ApacheProcessIds;
    unsigned BrowserMessageId = 0;
    bool Started = false;
    bool TrayIconEnabled = true, ShowToolbar = true, ShowStatusBar = true, ShowCustomizeButton = true;

    // Bounds of the waits for processes that might never appear as expected.
    unsigned WebServerWaitLimitMs = 20000;     // then start-up goes on with what runs
    unsigned BrowserStartWaitLimitMs = 30000;  // then the browser counts as ended

protected:
    // Window-side hooks, supplied by the main window.
    virtual void InstallHintWindow() {}
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
    virtual bool HideMainWindow() { return false; }          // true when it was visible
    // Seams of the platform that tests replace.
    virtual bool RunsFromCdRom();
    virtual std::string SingleInstanceName();
    virtual int StartSplashProcess();
    virtual int StartupShowCommand();
    // The process ends here; tests override it to observe instead.
    [[noreturn]] virtual void EndProcess();

private:
    void EnsureSingleInstance();
    void SetEnvironmentFirst();
    void SetEnvironmentSecond();
    void PrepareSettings();
    void StartServers();
    void CheckServerFolders();
    void StartDatabaseServer();
    void ChooseWebPort();
    void StartWebServer();
    void WaitForWebServer();
    void LoadExplorerModule();
    bool ReadBrowserIni();
    [[noreturn]] void RunExternalBrowser();
    void RunOwnBrowser();
    void ApplyStartState();
    std::string ExpandedBrowserPath();
    void StopEverything();
    [[noreturn]] void Terminate();  // EndProcess, whatever an override does
    [[noreturn]] void ReportStartUpFailure(const std::string& reason);
    static std::string CopyToWorkDir(const std::string& source, const std::string& workDir,
                                     const std::string& name);
};

// All x87 and SSE floating-point exceptions masked for the whole process.
void MaskFloatingPointExceptions();
