// The runner's start-up, run by the main window's create handler: settings,
// splash, servers, then the site in an external browser or in our own window.
#include <windows.h>
#include <xmmintrin.h>

#include "server/Product.h"
#include "server/Runner.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/Handles.h"
#include "util/MessageBox.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Timeline.h"
#include "util/Utf.h"

namespace {

// Terminating is asynchronous: a process's windows go only once it has ended.
constexpr DWORD ProcessEndWaitMs = 5000;

void KillAndWait(const TChildProcess& process) {
    if (process.Kill()) WaitForSingleObject(process.Handle(), ProcessEndWaitMs);
}

}  // namespace

void MaskFloatingPointExceptions() {
    // x87: all six exceptions masked, 64-bit precision, round to nearest.
    const unsigned short x87ControlWord = 0x133F;
    asm volatile("fldcw %0" : : "m"(x87ControlWord));
    // x86_64 does its double arithmetic in SSE, which has its own masks.
    _mm_setcsr(_mm_getcsr() | _MM_MASK_MASK);
}

// One runner per distribution folder, machine-wide: a runner of the same
// folder under another name, in another session or elevated would start
// servers of the same bin folder on the same data.
std::string AppFolderLockName() {
    const std::string folder = TShellKit::GetAppDir();
    return RunnerLockName(TShellKit::GetFolderIdentity(folder), UpperAscii(folder));
}

std::string TRunner::SingleInstanceName() { return AppFolderLockName(); }

// In the servers' job: a runner that dies must not leave a topmost splash behind.
TChildProcess TRunner::StartSplashProcess() {
    return StartInJob(TShellKit::GetExeFileName(), "splash \"" + ConfigIniPath + "\"", SW_SHOWNORMAL);
}

int TRunner::StartupShowCommand() { return TShellKit::GetStartupShowCommand(); }

void TRunner::EnsureSingleInstance() {
    if (TShellKit::IsFirstInstance(SingleInstanceName())) return;
    ShowMessageBox(nullptr, "An instance of this application is already running!", "Error",
                   MB_OK | MB_ICONERROR);
    Terminate();
}

void TRunner::ReportStartUpFailure(const std::string& reason) {
    // The splash stays above every window: the box would open under it, out of reach.
    Guarded([&] { KillAndWait(SplashProcess); });
    SplashProcess = {};
    ShowMessageBox(nullptr, ProductTitle + " could not start.\n\n" + WithFinalPeriod(reason),
                   ProductTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    Quit();
}

void TRunner::PrepareSettings() {
    NamedStep("Config.ini could not be written to the work folder " + WorkDir,
              [&] { ConfigIniPath = ExtractConfigFile(); });
    NamedStep("Brand.ini could not be prepared in the work folder " + WorkDir,
              [&] { BrandIniPath = GetBrandIniPath(); });
    Guarded([&] { RegisterBrowserEmulation(); });
    ProductTitle = TitleFromSetting(ReadConfigValue("title"));
    SetCaption(ProductTitle);
    PrepareMaximizedStart();
}

void TRunner::StartServers() {
    CheckServerFolders();
    SplashProcess = StartSplashProcess();
    TimelineMark("splash-started");
    BinDir = ResolveBinDir();
    SetEnvironmentSecond();
    StartDatabaseServer();
    TimelineMark("database-started");
    WritePhpIni();
    NamedStep("The web server's port could not be chosen", [&] { ChooseWebPort(); });
    StartWebServer();
}

// Loaded once more before each navigation; it stays loaded.
void TRunner::LoadExplorerModule() {
    Guarded([] { LoadLibraryW(Widen(TShellKit::GetWindowsDir() + "\\explorer.exe").c_str()); });
    TShellKit::ProcessMessagesAndSleep(60);
}

std::string TRunner::ExpandedBrowserPath() { return TShellKit::ExpandAppRelative(BrowserPath); }

bool TRunner::ReadBrowserIni() {
    BrowserIniPath = BinDir + "\\Browser.ini";
    if (!TShellKit::FileExists(BrowserIniPath)) return false;
    BrowserPath =
        ExpandBrowserPath(TShellKit::ReadIniValue(BrowserIniPath, "Browser", "BrowserPath"), BinDir);
    BrowserParameters =
        ExpandBrowserParameters(TShellKit::ReadIniValue(BrowserIniPath, "Browser", "Parameters"),
                                BinDir, HomeAddress(WebPort));
    return !BrowserPath.empty() && TShellKit::FileExists(ExpandedBrowserPath());
}

void TRunner::FormCreate() {
    TimelineMark("form-create");
    Guarded([&] { InstallHintWindow(); });
    EnsureSingleInstance();
    Guarded(MaskFloatingPointExceptions);
    WorkDir = TShellKit::GetWorkDir();
    SetEnvironmentFirst();
    Started = false;
    // Whatever fails from here on has started processes that must not outlive it.
    try {
        CheckWorkFolder();
        PrepareSettings();
        TimelineMark("settings");
        StartServers();
        BuildWindow();
        WaitForWebServer();
        WaitForDatabaseServer();
        LoadExplorerModule();
        OpenHomePage(HomeAddress(WebPort));
        TimelineMark("first-navigation");
        if (ReadBrowserIni()) RunExternalBrowser();
        RunOwnBrowser();
    } catch (const std::exception& error) {
        ReportStartUpFailure(error.what());
    }
}

void TRunner::OpenHomePage(const std::string& url) {
    NamedStep("The site could not be opened at " + url, [&] { NavigateTo(url); });
}

void TRunner::RunExternalBrowser() {
    const std::string path = ExpandedBrowserPath();
    // The browser reports a process to stop at shutdown through this message.
    const std::string messageName = TShellKit::Md5Hex(UpperAscii(TShellKit::GetShortPath(path)));
    BrowserMessageId = RegisterWindowMessageW(Widen(messageName).c_str());
    SetShowMainFormOnStart(false);
    // We hold the foreground, so the browser we start may take it from us.
    BringApplicationToFront();
    TShellKit::ProcessMessages();
    // Not in the servers' job: the user's browser is the user's, and some
    // browsers need jobs of their own.
    BrowserProcess = StartChildProcess(path, BrowserParameters, SW_SHOWMAXIMIZED, "");
    TShellKit::ProcessMessages();

    // A browser that ended before the first look must not keep us forever.
    const ULONGLONG deadline = GetTickCount64() + BrowserStartWaitLimitMs;
    while (TShellKit::FindProcessesByPath(path).empty() && GetTickCount64() < deadline)
        TShellKit::ProcessMessagesAndSleep(330);
    TShellKit::ProcessMessagesAndSleep(618);

    const int splashSeconds =
        ParseSplashSeconds(TShellKit::ReadIniValue(BrowserIniPath, "Browser", "SplashTime"));
    if (splashSeconds > 0)
        StartTimer1(static_cast<unsigned>(splashSeconds) * 1000);
    else
        Guarded([&] { CloseSplash(); });

    // Three looks with a pause between, so a browser that restarts itself is waited for too.
    for (int pass = 0; pass < 3; ++pass)
        Guarded([&] {
            TShellKit::ProcessMessagesAndSleep(1000);
            while (!TShellKit::FindProcessesByPath(path).empty())
                TShellKit::ProcessMessagesAndSleep(618);
        });
    Quit();
}

void TRunner::RunOwnBrowser() {
    FavoritesFile = BuildFavoritesMenu();
    SetOrganizeFavoritesBarBreak();
    Guarded([&] {
        ScriptErrorsSilent = IsSwitchOn(
            TShellKit::ReadIniValue(BrowserIniPath, "Other", "DisableJavaScriptErrorDialogs"));
        SetBrowserSilent(ScriptErrorsSilent);
    });
    SetSettingsItemEnabled(!RunsFromCdRom());
    if (IsSwitchOn(ReadConfigValue("brand"))) ApplyBrandLayout();
    SetHomeHint(HomeAddress(WebPort) + " (Alt+Home)");
    TrayIconEnabled = IsSwitchOn(ReadConfigValue("trayicon"));
    ShowToolbar = IsSwitchOn(ReadConfigValue("toolbar"));
    ShowStatusBar = IsSwitchOn(ReadConfigValue("statusbar"));
    ShowCustomizeButton = IsSwitchOn(ReadConfigValue("customizebutton"));
    if (!ShowCustomizeButton) HideCustomizeButton();
    SetBarsVisible(ShowToolbar, ShowStatusBar);
    MoveProgressBarIntoStatusBar();
    LoadExplorerModule();
    const std::string home = HomeAddress(WebPort);
    SetAddressText(home);
    OpenHomePage(Trim(home));
    if (IsSwitchOn(ReadConfigValue("fullscreen"))) EnterFullScreen();
    Guarded([&] {
        SetApplicationToolWindow(false);
        TShellKit::ProcessMessages();
    });
    ApplyStartState();
    if (TrayIconEnabled) Guarded([&] { ShowTrayIcon(true); });
    if (SplashProcess.Running()) {
        splashCloseDeadline_ = GetTickCount64() + SplashCloseLimitMs;
        StartSplashCloseTimer();
    }
    Started = true;
    TimelineMark("started");
}

void TRunner::ApplyStartState() {
    if (!IsHiddenStartCommand(StartupShowCommand())) {
        BringApplicationToFront();
        return;
    }
    // Asked to start hidden or minimized: to the tray when there is one.
    if (TrayIconEnabled)
        SetShowMainFormOnStart(false);
    else
        MinimizeMainWindow();
    Guarded([&] { CloseSplash(); });
    SplashProcess = {};
}
