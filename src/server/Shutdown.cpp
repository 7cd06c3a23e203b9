// Shutdown: every process the runner answers for is killed, then the runner
// ends at once so no framework teardown runs after the servers are gone.
#include <windows.h>

#include <cstdlib>

#include "server/Runner.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

// The process and everything it started, children first.
void KillProcessTree(int root) {
    for (int id : TShellKit::ListProcessIds())
        if (TShellKit::IsDescendantProcess(root, id)) Guarded([&] { TShellKit::KillProcess(id); });
    TShellKit::KillProcess(root);
}

}  // namespace

void TRunner::StopEverything() {
    if (SplashProcessId != 0) Guarded([&] { TShellKit::KillProcess(SplashProcessId); });
    Guarded([&] {
        if (HideMainWindow()) TShellKit::ProcessMessages();
    });
    if (BrowserProcessId != 0) Guarded([&] { KillProcessTree(BrowserProcessId); });
    if (ReportedBrowserProcessId != 0) Guarded([&] { KillProcessTree(ReportedBrowserProcessId); });
    Guarded([&] {
        ShowTrayIcon(false);
        TShellKit::ProcessMessages();
    });
    if (ApacheProcessId != 0)
        Guarded([&] {
            TShellKit::KillProcess(ApacheProcessId);
            for (int id : ApacheProcessIds) Guarded([&] { TShellKit::KillProcess(id); });
        });
    if (MySqlProcessId != 0) Guarded([&] { TShellKit::KillProcess(MySqlProcessId); });
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
    Guarded([&] { TShellKit::KillProcess(SplashProcessId); });
}
