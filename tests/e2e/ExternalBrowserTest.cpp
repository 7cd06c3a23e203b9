// The runner handing its site to an external browser named in Browser.ini:
// no window of its own, the parameters filled in, and an end a few seconds
// after the browser's last process, taking the servers along.
#include <doctest/doctest.h>

#include "E2eKit.h"
#include "StandinText.h"

using namespace e2e;

namespace {

constexpr unsigned StartTimeoutMs = 60000;

bool MainWindowShown(const TDistribution& distribution) {
    HWND window = FindMainWindow(distribution.Runner);
    return window && IsWindowVisible(window);
}

bool RunnerGone(const TDistribution& distribution) {
    return ProcessesRunning(distribution.Runner).empty() && ProcessesRunning(distribution.ApacheExe).empty() &&
           ProcessesRunning(distribution.MysqldExe).empty();
}

// Waits like WaitUntil and notes whether the runner ever showed its window meanwhile.
template <class Condition>
bool WatchUntil(const TDistribution& distribution, bool& windowShown, Condition condition, unsigned timeoutMs) {
    return WaitUntil(
        [&] {
            windowShown = windowShown || MainWindowShown(distribution);
            return condition();
        },
        timeoutMs);
}

size_t LinesOf(const std::string& browser, const std::string& key) {
    return ValuesOf(ReadStandinLog(browser), key).size();
}

std::string Lower(const std::string& text) { return LowerAscii(text); }

}  // namespace

TEST_CASE("external browser: no runner window, parameters filled in, runner ends soon after the browser") {
    TDistribution distribution("vext");
    distribution.SetConfigValue("port", "8080");
    const std::string browser = distribution.UseExternalBrowser(
        "LiveMs=4000\r\nFetch=1\r\n", "Parameters=-app={url} --profile \"{BIN}\\my profile\" {Url}\r\n");
    bool windowShown = false;
    StartRunner(distribution);
    REQUIRE(WatchUntil(distribution, windowShown, [&] { return LinesOf(browser, "role") > 0; }, StartTimeoutMs));
    const auto port = distribution.WebPort();
    REQUIRE(port);
    const std::string home = "http://127.0.0.1:" + std::to_string(*port);

    REQUIRE(WatchUntil(distribution, windowShown, [&] { return ProcessesRunning(browser).empty(); }, 30000));
    const ULONGLONG browserGone = GetTickCount64();
    REQUIRE(WatchUntil(distribution, windowShown, [&] { return RunnerGone(distribution); }, 30000));
    const ULONGLONG runnerGone = GetTickCount64();
    CHECK_FALSE(windowShown);

    const auto log = ReadStandinLog(browser);
    const auto args = ValuesOf(log, "arg");
    REQUIRE(args.size() == 4);
    CHECK(args[0] == "-app=" + home);
    CHECK(args[1] == "--profile");
    CHECK(Lower(args[2]) == Lower(distribution.BinDir + "\\my profile"));
    CHECK(args[3] == home);
    CHECK(ValuesOf(log, "fetch") == std::vector<std::string>{"200"});

    // Three one-second pauses, the first of which may have passed before the
    // browser ended, plus polling: two to four seconds.
    const ULONGLONG waited = runnerGone - browserGone;
    CHECK(waited >= 1800);
    CHECK(waited <= 12000);
}

TEST_CASE("external browser: the runner waits for every process of the browser program") {
    TDistribution distribution("vext");
    const std::string browser =
        distribution.UseExternalBrowser("LiveMs=1000\r\nChild=1\r\nChildLiveMs=6000\r\n", "Parameters={url}\r\n");
    StartRunner(distribution);
    REQUIRE(WaitUntil([&] { return LinesOf(browser, "child") == 1; }, StartTimeoutMs));
    REQUIRE(WaitUntil([&] { return LinesOf(browser, "end") == 1; }, 10000));
    // The first browser process has ended; its child still runs, so the site must too.
    Sleep(2000);
    CHECK(ProcessesRunning(browser).size() == 1);
    CHECK(ProcessesRunning(distribution.ApacheExe).size() == 2);
    CHECK(WaitUntil([&] { return RunnerGone(distribution); }, 30000));
}

TEST_CASE("external browser: closing the hidden runner ends the browser with its children and the servers") {
    TDistribution distribution("vext");
    const std::string browser = distribution.UseExternalBrowser("LiveMs=120000\r\nChild=1\r\n", "Parameters={url}\r\n");
    StartRunner(distribution);
    REQUIRE(WaitUntil([&] { return LinesOf(browser, "child") == 1; }, StartTimeoutMs));
    REQUIRE(ProcessesRunning(browser).size() == 2);
    HWND main = FindMainWindow(distribution.Runner);
    REQUIRE(main);
    CHECK_FALSE(IsWindowVisible(main));

    PostMessageW(main, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return RunnerGone(distribution) && ProcessesRunning(browser).empty(); }, 20000));
}
