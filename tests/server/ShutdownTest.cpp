// The runner's shutdown: servers asked before they are killed, the job that
// ends them with the runner, and kills that reach only the processes we hold.
#include <doctest/doctest.h>

#include "RunnerFixture.h"
#include "tools/HeldProcessChecks.h"
#include "tools/RecycledIds.h"
#include "util/ShellKit.h"
#include "util/Text.h"

namespace {

const std::vector<std::string> AskedAndStopped = {"stop-asked", "stopped"};
const std::vector<std::string> AskedAndIgnored = {"stop-asked", "stop-ignored"};

TChildProcess StartFake(const std::string& parameters) {
    return StartChildProcess(FakeServerPath(), parameters, SW_HIDE, "");
}

// The database stand-in of the end-to-end runs, which can start as MySQL 8 does.
std::string StandinMysqldPath() { return ReplaceText("Z:" STANDIN_MYSQLD_EXE, "/", "\\", false); }

}  // namespace

TEST_CASE("shutdown asks both servers to stop and gives them one limit before it kills") {
    Distribution distribution;
    TFakeWindow window;
    window.ServerStopWaitLimitMs = 3000;
    SUBCASE("servers that stop when asked end by themselves, without the wait") {
        window.FormCreate();
        CHECK(MillisecondsOf(&TRunner::Quit, window) < window.ServerStopWaitLimitMs);
        CHECK(StopNotes(distribution.ApacheExe()) == AskedAndStopped);
        CHECK(StopNotes(distribution.MySqlExe()) == AskedAndStopped);
    }
    SUBCASE("a database server that ignores the request is killed at the limit") {
        SetStopBehaviour(distribution.MySqlExe(), "IgnoreStop=1\r\n");
        window.FormCreate();
        const ULONGLONG elapsed = MillisecondsOf(&TRunner::Quit, window);
        CHECK(elapsed >= window.ServerStopWaitLimitMs - 100);
        CHECK(elapsed < window.ServerStopWaitLimitMs + 3000);
        CHECK(StopNotes(distribution.ApacheExe()) == AskedAndStopped);
        CHECK(StopNotes(distribution.MySqlExe()) == AskedAndIgnored);
    }
    SUBCASE("a database server still starting is asked once it listens, within the limit") {
        window.ServerStopWaitLimitMs = 10000;
        SetStopBehaviour(distribution.MySqlExe(), "ListenAfterMs=4000\r\n");
        window.FormCreate();
        CHECK(MillisecondsOf(&TRunner::Quit, window) < window.ServerStopWaitLimitMs);
        CHECK(StopNotes(distribution.MySqlExe()) == AskedAndStopped);
    }
    CHECK(window.Started);
    CheckEverythingKilled(window, distribution);
}

TEST_CASE("the servers, what they start, and the splash run in a job that ends them with the runner") {
    Distribution distribution;
    TFakeWindow window;
    window.FormCreate();
    REQUIRE(window.ChildJob);
    REQUIRE(window.ApacheProcesses.size() == 2);
    CHECK(InJob(window.SplashProcess, window.ChildJob.Get()));
    CHECK(InJob(window.MySqlProcess, window.ChildJob.Get()));
    // Started by the web server itself, so inside only because its parent was from its first instruction.
    for (const TChildProcess& process : window.ApacheProcesses) CHECK(InJob(process, window.ChildJob.Get()));

    // The runner's end closes its last handle to the job, however it ends.
    window.ChildJob.Reset();
    CHECK(WaitUntilEnded(window.SplashProcess));
    CHECK(WaitUntilEnded(window.MySqlProcess));
    for (const TChildProcess& process : window.ApacheProcesses) CHECK(WaitUntilEnded(process));
    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
}

TEST_CASE("shutdown kills what it holds, never a later owner of an id of something that ended") {
    Distribution distribution(false);
    TFakeWindow window;
    window.FormCreate();
    REQUIRE(window.Started);
    window.CloseSplashWhenDue(true);  // the first page completed
    KillProcessTree(window.ApacheProcess);  // a web server that died during the run
    window.BrowserProcess = StartFake("sleep 10");
    for (const TChildProcess* ended : {&window.SplashProcess, &window.ApacheProcess, &window.BrowserProcess})
        REQUIRE(WaitUntilEnded(*ended));
    REQUIRE((window.ApacheProcesses.size() == 2 && WaitUntilEnded(window.ApacheProcesses[1])));

    TChildProcess newcomer = StartFake("sleep 60000");
    {
        TRecycledIds recycled({window.SplashProcess.Id(), window.ApacheProcesses[0].Id(),
                               window.ApacheProcesses[1].Id(), window.BrowserProcess.Id()},
                              newcomer.Id());
        CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    }
    CHECK(newcomer.Running());
    newcomer.Kill();
}

TEST_CASE("MySQL 8's monitor: its child is asked through the monitor's event, and at the limit both are killed") {
    Distribution distribution;
    REQUIRE(CopyFileA(StandinMysqldPath().c_str(), distribution.MySqlExe().c_str(), FALSE));
    distribution.AddFile("bin\\mysql\\share\\english\\errmsg.sys");
    SetStopBehaviour(distribution.MySqlExe(), "Monitor=1\r\nIgnoreStop=1\r\n");
    TFakeWindow window;
    window.ServerStopWaitLimitMs = 2000;
    window.FormCreate();
    REQUIRE(WaitUntil([&] { return HoldDescendants(window.MySqlProcess).size() == 1; }));
    CHECK(MillisecondsOf(&TRunner::Quit, window) >= window.ServerStopWaitLimitMs - 100);
    CHECK(StopNotes(distribution.MySqlExe()) == AskedAndIgnored);  // the child heard its monitor's event
    CHECK(NoProcessRuns(distribution.MySqlExe()));  // the job still stands: the stop's own kill
}

TEST_CASE("a web-server child that appears after start-up stopped looking is ended at shutdown") {
    Distribution distribution(false);
    distribution.AddFile("bin\\apache\\httpd.conf", "Listen $IP$:$PORT$\nLateChild\n");
    SetStopBehaviour(distribution.ApacheExe(), "IgnoreStop=1\r\n");  // so only the kill can end the child
    TFakeWindow window;
    window.WebServerWaitLimitMs = 1000;
    window.ServerStopWaitLimitMs = 500;
    window.FormCreate();
    CHECK(window.ApacheProcesses.size() == 1);
    REQUIRE(WaitUntil([&] { return TShellKit::FindProcessesByPath(distribution.ApacheExe()).size() == 2; }));
    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    CHECK(NoProcessRuns(distribution.ApacheExe()));
}

TEST_CASE("a reported process is taken only when it is the external browser or a process it started") {
    TFakeWindow window;
    window.BrowserProcess = StartFake("spawn 60000");
    TChildProcess outsider = StartFake("sleep 60000");
    std::vector<TChildProcess> spawned;
    REQUIRE(WaitUntil([&] { return (spawned = HoldDescendants(window.BrowserProcess)).size() == 1; }));

    window.ReportBrowserProcess(outsider.Id());
    CHECK_FALSE(window.ReportedBrowserProcess);
    window.ReportBrowserProcess(spawned[0].Id());
    CHECK(window.ReportedBrowserProcess.Id() == spawned[0].Id());
    window.ReportBrowserProcess(outsider.Id());  // refused: the one taken stays
    CHECK(window.ReportedBrowserProcess.Id() == spawned[0].Id());
    window.ReportBrowserProcess(window.BrowserProcess.Id());
    CHECK(window.ReportedBrowserProcess.Id() == window.BrowserProcess.Id());

    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    CHECK(WaitUntilEnded(window.BrowserProcess));
    CHECK(WaitUntilEnded(spawned[0]));
    CHECK(outsider.Running());
    outsider.Kill();
}

TEST_CASE("the splash goes with the first complete page, or at the limit when none completes") {
    Distribution distribution(false);
    TFakeWindow window;
    window.SplashCloseLimitMs = 4000;
    window.FormCreate();
    REQUIRE(Called(window, "StartSplashCloseTimer"));
    window.CloseSplashWhenDue(false);
    CHECK(window.SplashProcess.Running());
    CHECK_FALSE(Called(window, "StopSplashCloseTimer"));
    SUBCASE("a page that completes") {
        window.CloseSplashWhenDue(true);
    }
    SUBCASE("a page that never completes") {
        Sleep(window.SplashCloseLimitMs + 100);
        window.CloseSplashWhenDue(false);
    }
    CHECK(Called(window, "StopSplashCloseTimer"));
    CHECK(WaitUntilEnded(window.SplashProcess));
    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
}
