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

// One server asked to stop. Its Windows build waits on a named event that
// carries its process id; the event exists only once the server listens.
struct TServerStop {
    const TChildProcess& Server;
    std::string EventName;
    std::vector<HANDLE> Processes;  // what ends when it stops
    bool Asked = false;

    void AskOnceListening() {
        if (Asked || !Server.Running()) return;
        UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, Widen(EventName).c_str()));
        Asked = event && SetEvent(event.Get());
    }
    bool Ended() const {
        for (HANDLE process : Processes)
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return false;
        return true;
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

std::vector<HANDLE> HandlesOf(const TChildProcess& first, const std::vector<TChildProcess>& more = {}) {
    std::vector<HANDLE> handles;
    if (first) handles.push_back(first.Handle());
    for (const TChildProcess& process : more) handles.push_back(process.Handle());
    return handles;
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
// first and given one common limit; whatever still runs then is killed, the
// web server before the database server. A server that has already ended
// costs nothing. A web-server child that appeared after start-up's look is
// ended by its path.
void TRunner::StopServers() {
    std::vector<TServerStop> stops = {{ApacheProcess, "ap" + std::to_string(ApacheProcess.Id()) + "_shutdown",
                                       HandlesOf(ApacheProcess, ApacheProcesses)},
                                      {MySqlProcess, "MySQLShutdown" + std::to_string(MySqlProcess.Id()),
                                       HandlesOf(MySqlProcess)}};
    AskAndWait(stops, ServerStopWaitLimitMs);

    Guarded([&] {
        ApacheProcess.Kill();
        for (const TChildProcess& process : ApacheProcesses) process.Kill();
        KillProcessesByPath(ApacheExePath);
    });
    Guarded([&] { MySqlProcess.Kill(); });
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
