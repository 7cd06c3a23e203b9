// Shutdown: every process the runner answers for is ended, the servers asked
// first, then the runner ends at once so no framework teardown runs after the
// servers are gone.
#include <windows.h>

#include <cstdlib>

#include "server/Runner.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/ThreadWindows.h"
#include "util/Utf.h"

namespace {

constexpr DWORD StopPollMs = 50;

// One server asked to stop, through whichever of its known events exists
// for the process we started: each exists only once the server listens, and
// may belong to a child of it (ServerRules.h). It has stopped when that process
// and everything it started have ended.
struct TServerStop {
    const TChildProcess& Server;
    std::vector<std::string> EventNames;
    const std::vector<TChildProcess>& Held;  // more of its processes, held since start-up
    bool Asked = false;

    void AskOnceListening() {
        if (Asked || !Server.Running()) return;
        for (const std::string& name : EventNames) {
            UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, Widen(name).c_str()));
            if (event) {
                Asked = SetEvent(event.Get());
                return;
            }
        }
    }
    // A parent that waits for its children ends last: only then are they looked for.
    bool Ended() const {
        if (Server.Running()) return false;
        for (const TChildProcess& process : Held)
            if (process.Running()) return false;
        for (const TChildProcess& process : HoldDescendants(Server))
            if (process.Running()) return false;
        return true;
    }
    void Kill() const {
        KillProcessTree(Server);
        for (const TChildProcess& process : Held) process.Kill();
    }
};

// A server still starting is asked as soon as it listens, within the same limit.
void AskAndWait(std::vector<TServerStop>& stops, unsigned limitMs) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    for (;;) {
        bool ended = true;
        for (TServerStop& stop : stops) {
            stop.AskOnceListening();
            ended = ended && stop.Ended();
        }
        if (ended || GetTickCount64() >= deadline) return;
        Sleep(StopPollMs);
    }
}

}  // namespace

void TRunner::CloseSplash() { SplashProcess.Kill(); }

void TRunner::StopEverything() {
    Guarded([&] { CloseSplash(); });
    Guarded([&] {
        // Nothing of ours stays on screen through the stop wait, pop-ups and boxes included.
        const bool mainWindowShown = HideMainWindow();
        if (HideThreadWindows() || mainWindowShown) TShellKit::ProcessMessages();
    });
    Guarded([&] { KillProcessTree(BrowserProcess); });
    Guarded([&] { KillProcessTree(ReportedBrowserProcess); });
    Guarded([&] {
        ShowTrayIcon(false);
        TShellKit::ProcessMessages();
    });
    Guarded([&] { StopServers(); });
}

// A database server killed mid-write can lose data, so both servers are asked
// first and given one common limit; whatever still runs then is killed with
// all it started, the web server before the database server. A server that
// has already ended costs nothing. A web-server child that appeared after
// start-up's look is ended by its path too.
void TRunner::StopServers() {
    const std::vector<TChildProcess> none;
    std::vector<TServerStop> stops = {{ApacheProcess, WebServerStopEvents(ApacheProcess.Id()), ApacheProcesses},
                                      {MySqlProcess, DatabaseStopEvents(MySqlProcess.Id()), none}};
    AskAndWait(stops, ServerStopWaitLimitMs);

    Guarded([&] {
        stops[0].Kill();
        KillProcessesByPath(ApacheExePath);
    });
    Guarded([&] { stops[1].Kill(); });
}

void TRunner::FormDestroy() {
    StopEverything();
    Terminate();
}

void TRunner::Quit() {
    Guarded([&] { StopEverything(); });
    Terminate();
}

void TRunner::Terminate() {
    EndProcess();
    std::abort();
}

void TRunner::EndProcess() {
    TShellKit::KillSelf();
    ExitProcess(0);
}

void TRunner::Timer1Timer() {
    StopTimer1();
    Guarded([&] { CloseSplash(); });
}

void TRunner::CloseSplashWhenDue(bool pageComplete) {
    if (!pageComplete && GetTickCount64() < splashCloseDeadline_) return;
    StopSplashCloseTimer();
    CloseSplash();
}

// Only the browser we started, or a process it started, may be handed to
// shutdown: the message's name is derivable, so any program could send one.
void TRunner::ReportBrowserProcess(int id) {
    TChildProcess reported = HoldInTree(BrowserProcess, id);
    if (reported) ReportedBrowserProcess = std::move(reported);
}
