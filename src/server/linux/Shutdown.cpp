// Shutdown: each server asked to stop the way it listens for it, one common
// limit, then whatever still runs is killed with its process group and
// reaped; then the runner ends at once.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "server/linux/Runner.h"
#include "util/Guard.h"
#include "util/linux/Clock.h"

namespace {

constexpr unsigned StopPollMs = 20;

}  // namespace

void TRunner::CloseSplash() { SplashProcess.Kill(); }

void TRunner::StopEverything() {
    Guarded([&] { CloseSplash(); });
    Guarded([&] {
        if (HideMainWindow()) ProcessMessagesAndSleep(0);
    });
    Guarded([&] { ShowTrayIcon(false); });
    Guarded([&] { StopServers(); });
}

// A database server killed mid-write can lose data: SIGTERM is its clean
// shutdown. SIGWINCH is Apache's graceful stop: requests under way finish.
// Whatever still runs after the limit is killed, the web server first.
void TRunner::StopServers() {
    ApacheProcess.Signal(SIGWINCH);
    MySqlProcess.Signal(SIGTERM);
    const long long deadline = MonotonicMs() + ServerStopWaitLimitMs;
    while ((ApacheProcess.Running() || MySqlProcess.Running()) && MonotonicMs() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(StopPollMs));
    ApacheProcess.Kill();
    MySqlProcess.Kill();
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

// No teardown of GTK or WebKit after the servers are gone.
void TRunner::EndProcess() {
    std::fflush(nullptr);
    ::_exit(0);
}

void TRunner::Timer1Timer() {
    StopTimer1();
    Guarded([&] { CloseSplash(); });
}

void TRunner::CloseSplashWhenDue(bool pageComplete) {
    if (!pageComplete && MonotonicMs() < splashCloseDeadline_) return;
    StopSplashCloseTimer();
    CloseSplash();
}
