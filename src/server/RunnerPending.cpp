// Placeholders until the runner's sequences land.
#include "server/Runner.h"

#include <cstdlib>

#include "util/ShellKit.h"

void TRunner::FormCreate() {}
void TRunner::FormDestroy() { Quit(); }
void TRunner::Quit() {
    EndProcess();
    std::abort();  // an override that returns
}
void TRunner::Timer1Timer() {}
void TRunner::EndProcess() {
    TShellKit::KillSelf();
    std::exit(0);
}
