// The runner's start-up: one runner per distribution folder, settings, servers, then
// the site in an external browser or in our own window.
#include <glib-unix.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "server/Product.h"
#include "server/ServerText.h"
#include "server/linux/Runner.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/IniText.h"
#include "util/RunnerRules.h"
#include "util/Timeline.h"
#include "util/linux/Clock.h"
#include "util/linux/Files.h"
#include "util/linux/Net.h"

namespace {

constexpr int ShowNormal = 1;
constexpr unsigned BrowserPollMs = 330;

// Where a second start of the folder finds the first runner of the same user:
// abstract, so a read-only folder needs no socket file, and named from the
// folder's identity, so any name of the runner finds it.
struct TInstanceAddress {
    sockaddr_un Address{};
    socklen_t Length = 0;
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&Address); }
};

TInstanceAddress InstanceAddress(const std::string& appDir) {
    struct stat folder {};
    if (::stat(appDir.c_str(), &folder) != 0)
        throw Exception("The folder " + appDir + " could not be read: " + std::strerror(errno));
    const std::string name = "vadrome/" + std::to_string(::geteuid()) + "/" + std::to_string(folder.st_dev) + ":" +
                             std::to_string(folder.st_ino);
    TInstanceAddress instance;
    instance.Address.sun_family = AF_UNIX;
    std::memcpy(instance.Address.sun_path + 1, name.data(), name.size());  // a leading NUL: abstract
    instance.Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return instance;
}

// Anyone can bind or reach an abstract name: only our own user counts.
bool PeerIsThisUser(int socket) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::geteuid();
}

}  // namespace

// GLib's callbacks, turned back into the runner's handlers.
struct TRunnerEvents {
    static gboolean SecondStart(gint, GIOCondition, gpointer runner) {
        static_cast<TRunner*>(runner)->OnSecondStart();
        return G_SOURCE_CONTINUE;
    }
    // Asked to stop (the session ends, kill's default): the servers stop cleanly too.
    static gboolean StopSignal(gpointer runner) { static_cast<TRunner*>(runner)->Quit(); }
};

TRunner::TRunner() = default;
TRunner::~TRunner() {
    if (instanceWatch_) g_source_remove(instanceWatch_);
}

void TRunner::ShowMessage(const std::string& text, const std::string& caption, bool /*error*/) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

// No relaunch on Linux carries a show command: a normal start unless the window says otherwise.
int TRunner::StartupShowCommand() { return RelaunchShowBase + ShowNormal; }

void TRunner::ProcessMessagesAndSleep(unsigned milliseconds) {
    bool due = milliseconds == 0;
    if (!due)
        g_timeout_add(milliseconds, [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        }, &due);
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    // The timer wakes the loop when nothing else does.
    while (!due) g_main_context_iteration(nullptr, TRUE);
}

std::string TRunner::WorkFolderPath() {
    return LinuxFiles::StateHome() + "/vadrome/" +
           WorkFolderName(LinuxFiles::LoginName(), '/', LinuxFiles::ExeFileName());
}

namespace {

UniqueFd& ClaimedLock() {
    static UniqueFd lock;
    return lock;
}

// One runner per distribution folder, under any name and any user: the lock
// is on the folder itself, so it needs no write access (a disc), and the
// kernel drops it with the runner however the runner ends. Where the file
// system locks only what is open for writing (NFS), a lock file in the work
// folder stands in: one runner per user and name there.
UniqueFd LockDistributionFolder(const std::string& appDir) {
    UniqueFd lock(::open(appDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!lock) throw Exception("The folder " + appDir + " could not be opened: " + std::strerror(errno));
    if (::flock(lock.Get(), LOCK_EX | LOCK_NB) == 0) return lock;
    if (errno == EWOULDBLOCK) return {};
    const std::string workDir = TRunner::WorkFolderPath(), lockPath = workDir + "/runner.lock";
    LinuxFiles::EnsurePrivateFolder(workDir);
    lock = UniqueFd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock) throw Exception("The lock " + lockPath + " could not be opened: " + std::strerror(errno));
    return ::flock(lock.Get(), LOCK_EX | LOCK_NB) == 0 ? std::move(lock) : UniqueFd();
}

// The connection is the whole message: the first runner brings its window to
// the front when it accepts one, and reads nothing. False when the runner of
// the folder is another user's: there is no window of ours to bring forward.
bool TellRunningInstance(const std::string& appDir) {
    const TInstanceAddress instance = InstanceAddress(appDir);
    UniqueFd client(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return client && ::connect(client.Get(), instance.Get(), instance.Length) == 0 && PeerIsThisUser(client.Get());
}

}  // namespace

// Without GTK a second start is over in milliseconds, and it cannot wait on
// anything the desktop's services make GTK wait for.
bool TRunner::ClaimSingleInstance() {
    try {
        const std::string appDir = LinuxFiles::DirectoryOf(LinuxFiles::ExeFileName());
        ClaimedLock() = LockDistributionFolder(appDir);
        return ClaimedLock() || !TellRunningInstance(appDir);
    } catch (...) {
        return true;  // FormCreate says what is wrong
    }
}

bool TRunner::EnsureSingleInstance() {
    instanceLock_ = ClaimedLock() ? std::move(ClaimedLock()) : LockDistributionFolder(AppDir);
    if (instanceLock_) return true;
    if (!TellRunningInstance(AppDir)) ShowMessage("An instance of this application is already running!", "Error", true);
    return false;
}

void TRunner::ListenForSecondStarts() {
    const TInstanceAddress instance = InstanceAddress(AppDir);
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener || ::bind(listener.Get(), instance.Get(), instance.Length) != 0 ||
        ::listen(listener.Get(), 4) != 0)
        return;
    instanceSocket_ = std::move(listener);
    instanceWatch_ = g_unix_fd_add(instanceSocket_.Get(), G_IO_IN, TRunnerEvents::SecondStart, this);
}

void TRunner::OnSecondStart() {
    UniqueFd connection(::accept4(instanceSocket_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection && PeerIsThisUser(connection.Get())) Guarded([&] { BringApplicationToFront(); });
}

void TRunner::ReportStartUpFailure(const std::string& reason) {
    Guarded([&] { CloseSplash(); });
    // Nothing of ours may run while the message waits for the user.
    Guarded([&] { StopServers(); });
    const std::string text = ProductTitle + " could not start.\n\n" + WithFinalPeriod(reason);
    // Also where a terminal or the session's journal keeps it.
    std::fprintf(stderr, "%s\n", text.c_str());
    ShowMessage(text, ProductTitle, true);
    Quit();
}

void TRunner::PrepareSettings() {
    NamedStep("Config.ini could not be written to the work folder " + WorkDir,
              [&] { ConfigIniPath = ExtractConfigFile(); });
    NamedStep("Brand.ini could not be prepared in the work folder " + WorkDir,
              [&] { BrandIniPath = GetBrandIniPath(); });
    ProductTitle = TitleFromSetting(ReadConfigValue("title"));
    SetCaption(ProductTitle);
    PrepareMaximizedStart();
}

void TRunner::StartServers() {
    SplashProcess = StartSplashProcess();
    BinDir = ResolveBinDir();
    SetEnvironmentSecond();
    CheckWebServerProgram();
    NamedStep("The database server could not be started", [&] { StartDatabaseServer(DatabaseFirstPort); });
    TimelineMark("database-started");
    NamedStep("php.ini could not be written", [&] { WritePhpIni(); });
    NamedStep("The web server's port could not be chosen", [&] { ChooseWebPort(); });
    NamedStep("The web server could not be started", [&] { StartWebServer(); });
    TimelineMark("web-server-started");
}

void TRunner::FormCreate() {
    TimelineMark("form-create");
    try {
        AppDir = LinuxFiles::DirectoryOf(LinuxFiles::ExeFileName());
        WorkDir = WorkFolderPath();
        LinuxFiles::EnsurePrivateFolder(WorkDir);
        if (!EnsureSingleInstance()) Terminate();
    } catch (const std::exception& error) {
        // Nothing is started yet, and nothing of another runner is touched.
        ShowMessage(ProductTitle + " could not start.\n\n" + WithFinalPeriod(error.what()), ProductTitle, true);
        Terminate();
    }
    Guarded([&] { ListenForSecondStarts(); });  // without it a second start only says "already running"
    g_unix_signal_add(SIGTERM, TRunnerEvents::StopSignal, this);
    g_unix_signal_add(SIGINT, TRunnerEvents::StopSignal, this);
    g_unix_signal_add(SIGHUP, TRunnerEvents::StopSignal, this);
    SetEnvironmentFirst();
    Started = false;
    // Whatever fails from here on has started processes that must not outlive it.
    try {
        EndLeftovers();
        PrepareSettings();
        TimelineMark("settings");
        StartServers();
        BuildWindow();
        WaitForWebServer();
        TimelineMark("web-server-up");
        WaitForDatabaseServer();
        TimelineMark("database-up");
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

bool TRunner::ReadBrowserIni() {
    BrowserIniPath = BinDir + "/Browser.ini";
    if (!LinuxFiles::FileExists(BrowserIniPath)) return false;
    const std::string text = LinuxFiles::ReadFile(BrowserIniPath);
    BrowserPath = ExpandBrowserPath(ReadIniText(text, "Browser", "BrowserPath"), BinDir);
    BrowserParameters =
        ExpandBrowserParameters(ReadIniText(text, "Browser", "Parameters"), BinDir, HomeAddress(WebPort));
    // No program named: the user's own browser, through the desktop.
    if (BrowserPath.empty()) return true;
    if (BrowserPath.front() != '/') BrowserPath = AppDir + "/" + BrowserPath;
    return LinuxFiles::FileExists(BrowserPath);
}

// The browser is ours to wait for: it ends the runner when it ends. Through
// xdg-open the browser is the desktop's, and the runner stays until it is
// asked to stop (a signal or the session's end).
void TRunner::RunExternalBrowser() {
    SetShowMainFormOnStart(false);
    TSpawnOptions options;
    options.OwnProcessGroup = false;
    options.EndWithParent = false;  // the user's browser is the user's
    if (BrowserPath.empty()) {
        options.Arguments = {"/usr/bin/xdg-open", HomeAddress(WebPort)};
    } else {
        options.Arguments = {BrowserPath};
        gchar** argv = nullptr;
        if (!BrowserParameters.empty() && g_shell_parse_argv(BrowserParameters.c_str(), nullptr, &argv, nullptr)) {
            for (gchar** argument = argv; *argument; ++argument) options.Arguments.push_back(*argument);
            g_strfreev(argv);
        }
    }
    BrowserProcess = SpawnChild(options);
    const int splashSeconds = ParseSplashSeconds(ReadIniText(LinuxFiles::ReadFile(BrowserIniPath), "Browser", "SplashTime"));
    if (splashSeconds > 0)
        StartTimer1(static_cast<unsigned>(splashSeconds) * 1000);
    else
        Guarded([&] { CloseSplash(); });
    Started = true;
    while (BrowserProcess.Running()) ProcessMessagesAndSleep(BrowserPollMs);
    if (BrowserPath.empty())
        for (;;) ProcessMessagesAndSleep(60000);
    Quit();
}

void TRunner::RunOwnBrowser() {
    FavoritesFile = BuildFavoritesMenu();
    Guarded([&] {
        ScriptErrorsSilent = IsSwitchOn(LinuxFiles::FileExists(BrowserIniPath)
                                            ? ReadIniText(LinuxFiles::ReadFile(BrowserIniPath), "Other",
                                                          "DisableJavaScriptErrorDialogs")
                                            : "");
        SetBrowserSilent(ScriptErrorsSilent);
    });
    SetSettingsItemEnabled(true);
    if (IsSwitchOn(ReadConfigValue("brand"))) ApplyBrandLayout();
    SetHomeHint(HomeAddress(WebPort) + " (Alt+Home)");
    TrayIconEnabled = IsSwitchOn(ReadConfigValue("trayicon"));
    ShowToolbar = IsSwitchOn(ReadConfigValue("toolbar"));
    ShowStatusBar = IsSwitchOn(ReadConfigValue("statusbar"));
    ShowCustomizeButton = IsSwitchOn(ReadConfigValue("customizebutton"));
    if (!ShowCustomizeButton) HideCustomizeButton();
    SetBarsVisible(ShowToolbar, ShowStatusBar);
    const std::string home = HomeAddress(WebPort);
    SetAddressText(home);
    if (IsSwitchOn(ReadConfigValue("fullscreen"))) EnterFullScreen();
    ApplyStartState();
    if (TrayIconEnabled) Guarded([&] { ShowTrayIcon(true); });
    if (SplashProcess.Running()) {
        splashCloseDeadline_ = MonotonicMs() + SplashCloseLimitMs;
        StartSplashCloseTimer();
    }
    Started = true;
    TimelineMark("started");
}

void TRunner::ApplyStartState() {
    if (!IsHiddenStartCommand(StartupShowCommand())) {
        ShowMainForm();
        BringApplicationToFront();
        return;
    }
    // Asked to start hidden or minimized: to the tray when there is one.
    if (TrayIconEnabled) {
        SetShowMainFormOnStart(false);
    } else {
        MinimizeMainWindow();
        ShowMainForm();
    }
    Guarded([&] { CloseSplash(); });
}
