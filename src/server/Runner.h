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
    std::string ExtractConfigFile();
    std::string ReadConfigValue(const std::string& key);
    void WriteConfigValue(const std::string& key, const std::string& value);
    std::string ReadBrandValue(const std::string& key);
    void WriteBrandValue(const std::string& key, const std::string& value);
    std::string GetBrandIniPath();

    // Start-up (the window's create handler) and shutdown
    void FormCreate();
    void FormDestroy();
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

protected:
    // Window-side hooks, supplied by the main window.
    virtual void InstallHintWindow() {}
    virtual void SetCaption(const std::string& /*title*/) {}
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
    // The process ends here; tests override it to observe instead.
    [[noreturn]] virtual void EndProcess();
};
