// In external-browser mode the splash goes when the browser appears, or
// SplashTime seconds later.
#include <doctest/doctest.h>

#include "E2eKit.h"

using namespace e2e;

namespace {

// The runner and its splash run the same executable.
size_t RunnerProcesses(const TDistribution& distribution) { return ProcessesRunning(distribution.Runner).size(); }

ULONGLONG SplashLifeAfterBrowser(const std::string& splashTime) {
    TDistribution distribution("vspl");
    const std::string browser =
        distribution.UseExternalBrowser("LiveMs=12000\r\n", "Parameters={url}\r\nSplashTime=" + splashTime + "\r\n");
    StartRunner(distribution);
    REQUIRE(WaitUntil([&] { return !ReadStandinLog(browser).empty(); }, 60000));
    const ULONGLONG browserSeen = GetTickCount64();
    REQUIRE(RunnerProcesses(distribution) == 2);
    REQUIRE(WaitUntil([&] { return RunnerProcesses(distribution) == 1; }, 15000));
    return GetTickCount64() - browserSeen;
}

}  // namespace

TEST_CASE("external browser: the splash goes at once without SplashTime, after it with one") {
    CHECK(SplashLifeAfterBrowser("") < 2500);
    CHECK(SplashLifeAfterBrowser("not a number") < 2500);
    const ULONGLONG withSplashTime = SplashLifeAfterBrowser("3");
    CHECK(withSplashTime >= 2500);
    CHECK(withSplashTime < 7000);
}
