// Running the executable's command-line modes as a user's system would: a
// process of its own, whose message boxes the test reads and dismisses.
#pragma once
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "StampFiles.h"
#include "util/Handles.h"

UniqueHandle Start(const std::string& exe, const std::string& params = "");

struct TRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string boxText;  // caption and texts of every box it showed
    std::chrono::milliseconds took{};
};
// Runs to the end (at most a minute), answering each box with OK, its children's too.
TRun Run(const std::string& exe, const std::string& params);

std::string Quoted(const std::string& text);

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    using Clock = std::chrono::steady_clock;
    for (const auto deadline = Clock::now() + limit; Clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (condition()) return true;
    return condition();
}

// A stamp target reports its start in "<path>.pid" and ends when "<path>.stop" appears.
class TRunningTarget {
public:
    explicit TRunningTarget(const std::string& path) : path_(path) {}
    ~TRunningTarget() { WriteBytes(path_ + ".stop", ""); }
    bool Started() { return WaitFor([&] { return !ReadBytes(path_ + ".pid").empty(); }); }

private:
    std::string path_;
};
