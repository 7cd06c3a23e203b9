// The runner handing its site to an external browser named in Browser.ini:
// no window of its own, the parameters filled in, and an end a few seconds
// after the browser's last process, taking the servers and any process the
// browser reported along.
#include <doctest/doctest.h>

#include "E2eKit.h"
#include "StandinText.h"

using namespace e2e;

namespace {

constexpr unsigned StartTimeoutMs = 60000;

struct TExternalSite {
    TDistribution Distribution{"vext"};
    std::string Browser;
    std::string Log;

    explicit TExternalSite(const std::string& browserSettings, const std::string& parameters = "{url}") {
        Browser = Distribution.AddBrowser("browser\\browser.exe", browserSettings);
        Log = Distribution.BinDir + "\\browser\\browser.log";
        Distribution.WriteFile("bin\\Browser.ini", "[Browser]\r\nBrowserPath={bin}\\browser\\browser.exe\r\n"
                                                   "Parameters=" + parameters + "\r\n");
    }
    std::vector<TLogLine> BrowserLog() const { return ReadBrowserLog(Log); }
    bool BrowserStarted() const { return !ValuesOf(BrowserLog(), "role").empty(); }
    bool MainWindowShown() const {
        HWND window = FindMainWindow(Distribution.Runner);
        return window && IsWindowVisible(window);
    }
    bool RunnerGone() const {
        return ProcessesRunning(Distribution.Runner).empty() && ProcessesRunning(Distribution.ApacheExe).empty() &&
               ProcessesRunning(Distribution.MysqldExe).empty();
    }
};

// Waits like WaitUntil and notes whether the runner ever showed its window meanwhile.
template <class Condition>
bool WatchUntil(const TExternalSite& site, bool& windowShown, Condition condition, unsigned timeoutMs) {
    return WaitUntil(
        [&] {
            windowShown = windowShown || site.MainWindowShown();
            return condition();
        },
        timeoutMs);
}

std::string Lower(const std::string& text) { return standin::ToLowerAscii(text); }

}  // namespace

TEST_CASE("external browser: no runner window, parameters filled in, runner ends soon after the browser") {
    TExternalSite site("LiveMs=4000\r\nFetch=1\r\n", "-app={url} --profile \"{BIN}\\my profile\" {Url}");
    site.Distribution.SetConfigValue("port", "8080");
    bool windowShown = false;
    StartRunner(site.Distribution);
    REQUIRE(WatchUntil(site, windowShown, [&] { return site.BrowserStarted(); }, StartTimeoutMs));
    const auto port = site.Distribution.WebPort();
    REQUIRE(port);
    const std::string home = "http://127.0.0.1:" + std::to_string(*port);

    REQUIRE(WatchUntil(site, windowShown, [&] { return ProcessesRunning(site.Browser).empty(); }, 30000));
    const ULONGLONG browserGone = GetTickCount64();
    REQUIRE(WatchUntil(site, windowShown, [&] { return site.RunnerGone(); }, 30000));
    const ULONGLONG runnerGone = GetTickCount64();
    CHECK_FALSE(windowShown);

    const auto log = site.BrowserLog();
    const auto args = ValuesOf(log, "arg");
    REQUIRE(args.size() == 4);
    CHECK(args[0] == "-app=" + home);
    CHECK(args[1] == "--profile");
    CHECK(Lower(args[2]) == Lower(site.Distribution.BinDir + "\\my profile"));
    CHECK(args[3] == home);
    CHECK(ValuesOf(log, "fetch") == std::vector<std::string>{"200"});

    // Three one-second pauses plus polling: about three to four seconds.
    const ULONGLONG waited = runnerGone - browserGone;
    CHECK(waited >= 2500);
    CHECK(waited <= 9000);
}

TEST_CASE("external browser: the runner waits for every process of the browser program") {
    TExternalSite site("LiveMs=1000\r\nChild=1\r\nChildLiveMs=6000\r\n");
    StartRunner(site.Distribution);
    REQUIRE(WaitUntil([&] { return ValuesOf(site.BrowserLog(), "child").size() == 1; }, StartTimeoutMs));
    REQUIRE(WaitUntil([&] { return ValuesOf(site.BrowserLog(), "end").size() == 1; }, 10000));
    // The first browser process has ended; its child still runs, so the site must too.
    Sleep(2000);
    CHECK(ProcessesRunning(site.Browser).size() == 1);
    CHECK(ProcessesRunning(site.Distribution.ApacheExe).size() == 2);
    CHECK(WaitUntil([&] { return site.RunnerGone(); }, 30000));
}

TEST_CASE("external browser: a process reported through the browser message is ended with its children") {
    TExternalSite site("LiveMs=3000\r\n");
    // A helper program outside the runner's process tree, like a browser that
    // hands over to an already running instance.
    const std::string helper = site.Distribution.AddBrowser(
        "helper\\helper.exe", "Report=1\r\nReportFor=" + site.Browser + "\r\nChild=1\r\nLiveMs=120000\r\n");
    const std::string helperLog = site.Distribution.BinDir + "\\helper\\helper.log";
    StartRunner(site.Distribution);
    REQUIRE(WaitUntil([&] { return site.BrowserStarted(); }, StartTimeoutMs));
    UniqueHandle helperProcess = standin::StartHidden(helper, "");
    REQUIRE(helperProcess);
    REQUIRE(WaitUntil([&] { return !ValuesOf(ReadBrowserLog(helperLog), "child").empty(); }, 10000));
    REQUIRE(ValuesOf(ReadBrowserLog(helperLog), "reported").size() == 1);
    CHECK(ProcessesRunning(helper).size() == 2);

    REQUIRE(WaitUntil([&] { return site.RunnerGone(); }, 30000));
    CHECK(WaitUntil([&] { return ProcessesRunning(helper).empty(); }, 5000));
}

TEST_CASE("external browser: closing the hidden runner ends the browser with its children and the servers") {
    TExternalSite site("LiveMs=120000\r\nChild=1\r\n");
    StartRunner(site.Distribution);
    REQUIRE(WaitUntil([&] { return ValuesOf(site.BrowserLog(), "child").size() == 1; }, StartTimeoutMs));
    REQUIRE(ProcessesRunning(site.Browser).size() == 2);
    HWND main = FindMainWindow(site.Distribution.Runner);
    REQUIRE(main);
    CHECK_FALSE(IsWindowVisible(main));

    PostMessageW(main, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return site.RunnerGone() && ProcessesRunning(site.Browser).empty(); }, 20000));
}
