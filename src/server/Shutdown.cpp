// Shutdown: every process the runner answers for is ended, the servers asked
// first, then the runner ends at once so no framework teardown runs after the
// servers are gone.
#include <windows.h>

#include <cstdlib>

#include "server/Runner.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

// The servers' Windows builds wait on a named event that carries their
// process id; it exists only once the server listens for it.
bool AskToStop(const TChildProcess& server, const std::string& eventName) {
    if (!server.Running()) return false;
    UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, Widen(eventName).c_str()));
    return event && SetEvent(event.Get());
}

}  // namespace

void TRunner::CloseSplash() { SplashProcess.Kill(); }

void TRunner::StopEverything() {
    Guarded([&] { CloseSplash(); });
    Guarded([&] {
        if (HideMainWindow()) TShellKit::ProcessMessages();
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
// web server before the database server. A web-server child that appeared
// after start-up's look is ended by its path.
void TRunner::StopServers() {
    std::vector<HANDLE> stopping;
    if (AskToStop(ApacheProcess, "ap" + std::to_string(ApacheProcess.Id()) + "_shutdown")) {
        stopping.push_back(ApacheProcess.Handle());
        for (const TChildProcess& process : ApacheProcesses) stopping.push_back(process.Handle());
    }
    if (AskToStop(MySqlProcess, "MySQLShutdown" + std::to_string(MySqlProcess.Id())))
        stopping.push_back(MySqlProcess.Handle());
    const ULONGLONG deadline = GetTickCount64() + ServerStopWaitLimitMs;
    for (HANDLE process : stopping) {
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(process, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }

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
