// The runner's end under Wine with the real executable: the servers are asked
// to stop and end by themselves, one that ignores the request is killed after
// the limit, a runner killed from outside takes its servers along, and the
// splash goes although the first page never completes.
#include <doctest/doctest.h>

#include <functional>

#include "E2eKit.h"
#include "shell/MainForm.h"

using namespace e2e;

namespace {

// The runner's limits: the wait for servers asked to stop, and the splash's
// life after start-up when the first page never completes.
constexpr ULONGLONG ServerStopLimitMs = 5000;
constexpr ULONGLONG SplashLimitMs = 10000;
// What a loaded machine adds to a limit: the runner's own end, the polling.
constexpr ULONGLONG MarginMs = 5000;

const std::vector<std::string> AskedAndStopped = {"stop-asked", "stopped"};
const std::vector<std::string> AskedAndIgnored = {"stop-asked", "stop-ignored"};

std::vector<std::string> StopNotes(const std::string& exe) {
    std::vector<std::string> notes = KeysOf(ReadStandinLog(exe));
    std::erase_if(notes, [](const std::string& key) { return !key.starts_with("stop"); });
    return notes;
}

// Milliseconds from the request to close the main window until nothing of the distribution runs;
// inStopWait, when given, runs once the database server has been asked to stop.
ULONGLONG CloseAndTime(const TDistribution& distribution, const TRunningSite& site,
                       const std::function<void()>& inStopWait = {}) {
    const ULONGLONG start = GetTickCount64();
    PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
    if (inStopWait && WaitUntil([&] { return !StopNotes(distribution.MysqldExe).empty(); }, 20000)) inStopWait();
    REQUIRE(WaitUntil([&] { return NothingRunsFrom(distribution); }, 30000));
    return GetTickCount64() - start;
}

}  // namespace

TEST_CASE("closing the window asks both servers to stop, and they end by themselves") {
    TDistribution distribution("vstop");
    const TRunningSite site = StartAndWait(distribution);
    MESSAGE("shutdown took ", CloseAndTime(distribution, site), " ms");
    // "stopped" is written just before a clean end: no kill came first.
    CHECK(StopNotes(distribution.ApacheExe) == AskedAndStopped);
    CHECK(StopNotes(distribution.MysqldExe) == AskedAndStopped);
}

TEST_CASE("a database server that ignores the request is killed at the limit, and the end stays near it, with "
          "nothing of the runner on screen") {
    TDistribution distribution("vign");
    distribution.WriteFile("bin\\mysql\\bin\\mysqld.ini", "[Standin]\r\nIgnoreStop=1\r\n");
    const TRunningSite site = StartAndWait(distribution);
    PostMessageW(site.MainWindow, WM_COMMAND, TfrmMain::mnuTray_About, 0);
    const auto aboutShown = [&] { return FindVisibleWindowOf(site.RunnerId, L"TDialogForm") != nullptr; };
    REQUIRE(WaitUntil(aboutShown, 20000));
    const ULONGLONG elapsed = CloseAndTime(distribution, site, [&] { CHECK_FALSE(aboutShown()); });
    MESSAGE("shutdown took ", elapsed, " ms");
    CHECK(elapsed >= ServerStopLimitMs - 500);
    CHECK(elapsed < ServerStopLimitMs + MarginMs);
    CHECK(StopNotes(distribution.ApacheExe) == AskedAndStopped);
    CHECK(StopNotes(distribution.MysqldExe) == AskedAndIgnored);
}

TEST_CASE("a database server that starts as MySQL 8 does is asked through its monitor's event, and stops by itself") {
    TDistribution distribution("vmon");
    distribution.WriteFile("bin\\mysql\\bin\\mysqld.ini", "[Standin]\r\nMonitor=1\r\n");
    const TRunningSite site = StartAndWait(distribution);
    REQUIRE(ProcessesRunning(distribution.MysqldExe).size() == 2);
    CHECK(CloseAndTime(distribution, site) < ServerStopLimitMs);
    // The child heard mysqld<monitor id>_shutdown and ended by itself; the monitor ended with it.
    const std::vector<TLogLine> log = ReadStandinLog(distribution.MysqldExe);
    const std::vector<std::string> child = ValuesOf(log, "monitor");
    REQUIRE(child.size() == 1);
    for (const TLogLine& line : log)
        if (line.Key.starts_with("stop")) CHECK(std::to_string(line.ProcessId) == child[0]);
    CHECK(StopNotes(distribution.MysqldExe) == AskedAndStopped);
}

TEST_CASE("a runner killed from outside takes its servers along, and the next start serves again") {
    TDistribution distribution("vkill");
    const TRunningSite site = StartAndWait(distribution);
    UniqueHandle runner(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, site.RunnerId));
    REQUIRE(runner);
    REQUIRE(TerminateProcess(runner.Get(), 1));
    REQUIRE(WaitForSingleObject(runner.Get(), 10000) == WAIT_OBJECT_0);
    const ULONGLONG killed = GetTickCount64();
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, 5000));
    MESSAGE("servers gone ", GetTickCount64() - killed, " ms after the runner was killed");
    // Nobody asked them: they were ended, not stopped.
    CHECK(StopNotes(distribution.MysqldExe).empty());

    const TRunningSite again = StartAndWait(distribution);
    CHECK(GetPage(again.WebPort, "/")->Status == 200);
    CloseAndTime(distribution, again);
}

TEST_CASE("the splash goes within its limit although the first page never completes") {
    TDistribution distribution("vsplash");
    const TRunningSite site = StartAndWait(distribution);
    const ULONGLONG shown = GetTickCount64();
    // The runner and its splash run the same executable.
    REQUIRE(WaitUntil([&] { return ProcessesRunning(distribution.Runner).size() == 1; },
                      static_cast<unsigned>(SplashLimitMs + MarginMs)));
    MESSAGE("splash gone ", GetTickCount64() - shown, " ms after the main window showed");
    CloseAndTime(distribution, site);
}
