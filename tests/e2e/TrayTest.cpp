// The runner in the notification area under Wine with the real executable:
// clicks on its icon as the shell reports them, minimising to the tray, the
// taskbar's restart, the tray menu driven by keys, the end of the session,
// and a CD-ROM drive going away.
#include <doctest/doctest.h>

#include "E2eKit.h"

#include <dbt.h>

using namespace e2e;

namespace {

constexpr unsigned EndTimeoutMs = 30000;
constexpr unsigned ChangeTimeoutMs = 10000;

bool ToolWindow(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0; }

// Past the guard that takes a second click as the rest of a double click.
void WaitPastClickGuard() { Sleep(GetDoubleClickTime() + 55 + 250); }

HWND WaitForTrayWindow(const TRunningSite& site) {
    HWND tray = nullptr;
    WaitUntil([&] { return (tray = FindTrayWindow(site.RunnerId)) != nullptr; }, ChangeTimeoutMs);
    return tray;
}

}  // namespace

TEST_CASE("tray icon: clicks hide and show the window, minimising hides it, the taskbar's restart brings the icon "
          "back, the end of the session ends everything") {
    TDistribution distribution("vtray");
    const TRunningSite site = StartAndWait(distribution);
    const HWND main = site.MainWindow;
    const HWND application = FindApplicationWindow(site.RunnerId);
    REQUIRE(application);
    const HWND tray = WaitForTrayWindow(site);
    REQUIRE(tray);
    CHECK(TrayIconPresent(tray));
    CHECK(IsZoomed(main));

    // Left clicks: hidden with no taskbar button, then back as it was.
    ClickTrayIcon(tray, WM_LBUTTONUP);
    CHECK(WaitUntil([&] { return !IsWindowVisible(main); }, ChangeTimeoutMs));
    CHECK(ToolWindow(application));
    WaitPastClickGuard();
    ClickTrayIcon(tray, WM_LBUTTONUP);
    CHECK(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, ChangeTimeoutMs));
    CHECK(IsZoomed(main));
    CHECK_FALSE(ToolWindow(application));

    // Minimised: to the tray; Show/Hide brings it back restored.
    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);  // returns once the runner has handled it
    CHECK_FALSE(IsWindowVisible(main));
    CHECK(ToolWindow(application));
    WaitPastClickGuard();
    ClickTrayIcon(tray, WM_LBUTTONUP);
    CHECK(WaitUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }, ChangeTimeoutMs));
    CHECK(IsZoomed(main));

    // The shell lost its icons and says it has started again.
    REQUIRE(DropTrayIcon(tray));
    REQUIRE_FALSE(TrayIconPresent(tray));
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &answer);
    CHECK(WaitUntil([&] { return TrayIconPresent(tray); }, ChangeTimeoutMs));

    // Windows ends the session.
    SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, EndTimeoutMs, &answer);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
    CHECK_FALSE(GetPage(site.WebPort, "/"));
}

TEST_CASE("tray icon off: no icon, and minimising leaves the window on the taskbar") {
    TDistribution distribution("vnotray");
    distribution.SetConfigValue("trayicon", "0");
    const TRunningSite site = StartAndWait(distribution);
    SendMessageW(site.MainWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    CHECK(IsIconic(site.MainWindow));
    CHECK(IsWindowVisible(site.MainWindow));
    CHECK_FALSE(FindTrayWindow(site.RunnerId));
    PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
}

TEST_CASE("branded: the tray menu is Show/Hide, a separator and Exit") {
    TDistribution distribution("vbrand");
    distribution.SetConfigValue("brand", "1");
    const TRunningSite site = StartAndWait(distribution);
    const HWND menu = OpenTrayMenu(WaitForTrayWindow(site));
    REQUIRE(menu);
    // The second item the keys reach is the last one: Exit.
    PostKeys(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
}

TEST_CASE("from a CD-ROM drive: Change IP Address or Port is disabled; the drive going away ends everything") {
    TDistribution distribution("vcdrom");
    TCdRomDrive drive(distribution.Folder);
    REQUIRE_MESSAGE(drive.Defined(), "no CD-ROM drive could be defined here (Wine's mount manager is needed)");
    const std::string runner = drive.Root() + "vadrome.exe";
    StartRunner(runner, drive.Root());
    HWND main = nullptr;
    REQUIRE(WaitUntil([&] { return (main = FindMainWindow(runner)) && IsWindowVisible(main); }, 60000));
    const DWORD runnerId = ProcessOfWindow(main);
    const TEndAtExit runnerEnds(runnerId);
    // The servers run from the work folder's copy of bin.
    const std::string workDir = WorkDirServing(drive.Root() + "www");
    REQUIRE_FALSE(workDir.empty());
    const std::string apache = workDir + "\\bin\\Apache\\Apache.exe";
    REQUIRE(WaitUntil([&] { return ProcessesRunning(apache).size() == 2; }, 60000));
    const auto port = WebPortIn(workDir);
    REQUIRE(port);

    const HWND menu = OpenTrayMenu(FindTrayWindow(runnerId));
    REQUIRE(menu);
    // Down, Down reaches Change IP Address or Port. Return on a disabled item
    // opens nothing; Wine closes the menu, Windows keeps it open for Esc.
    PostKeys(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
    if (!WaitUntil([&] { return !IsWindowVisible(menu); }, 3000)) PostKeys(menu, {VK_ESCAPE});
    REQUIRE(WaitUntil([&] { return !IsWindowVisible(menu); }, ChangeTimeoutMs));
    // An enabled item's dialog shows within a second or two.
    CHECK_FALSE(WaitUntil([&] { return FindWindowOf(runnerId, L"TDialogForm") != nullptr; }, 5000));

    REQUIRE(standin::ProcessAlive(runnerId));  // the keys above opened nothing, Exit included
    drive.Remove();
    REQUIRE_FALSE(drive.Defined());
    // A change that carries no data: one with a pointer cannot be posted to another process.
    PostMessageW(main, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    Sleep(1000);  // the runner looks again a moment later: a drive waking up may miss one answer
    CHECK(GetPage(*port, "/"));
    CHECK(WaitUntil([&] { return !standin::ProcessAlive(runnerId); }, EndTimeoutMs));
    CHECK(WaitUntil([&] { return ProcessesRunning(apache).empty(); }, EndTimeoutMs));
    CHECK_FALSE(GetPage(*port, "/"));
}
