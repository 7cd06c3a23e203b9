// Ending every process that runs a file, including ones that start while we
// sweep (a first launch's relaunch, a runner's splash child): a process left
// behind would hold the test's output open and outlive the test.
#pragma once
#include <chrono>
#include <string>
#include <thread>

#include "util/ShellKit.h"

// True once nothing has run the file for the quiet spell; false at the limit.
inline bool SweepProcessesOf(const std::string& exe, std::chrono::milliseconds quiet = std::chrono::seconds(3),
                             std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    using Clock = std::chrono::steady_clock;
    auto lastSeen = Clock::now();
    for (const auto deadline = Clock::now() + limit; Clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
        const auto ids = TShellKit::FindProcessesByPath(exe);
        for (int id : ids) TShellKit::KillProcess(id);
        if (!ids.empty())
            lastSeen = Clock::now();
        else if (Clock::now() - lastSeen > quiet)
            return true;
    }
    return false;
}
