// A process that reports itself to the runner through the browser message
// (as a browser does that hands over to an instance already running) is
// ended with its children when the runner ends.
#include <doctest/doctest.h>

#include "E2eKit.h"

using namespace e2e;

TEST_CASE("external browser: a process reported through the browser message is ended with its children") {
    TDistribution distribution("vrep");
    const std::string browser = distribution.UseExternalBrowser("LiveMs=3000\r\n", "Parameters={url}\r\n");
    // Started by the test, so it lies outside the runner's process tree.
    const std::string helper = distribution.AddBrowser(
        "helper\\helper.exe", "Report=1\r\nReportFor=" + browser + "\r\nChild=1\r\nLiveMs=120000\r\n");
    StartRunner(distribution);
    REQUIRE(WaitUntil([&] { return !ReadBrowserLog(browser).empty(); }, 60000));
    UniqueHandle helperProcess = standin::StartHidden(helper, "");
    REQUIRE(helperProcess);
    REQUIRE(WaitUntil([&] { return !ValuesOf(ReadBrowserLog(helper), "child").empty(); }, 10000));
    REQUIRE(ValuesOf(ReadBrowserLog(helper), "reported").size() == 1);
    REQUIRE(ProcessesRunning(helper).size() == 2);

    REQUIRE(WaitUntil([&] { return ProcessesRunning(distribution.Runner).empty(); }, 30000));
    CHECK(WaitUntil([&] { return ProcessesRunning(helper).empty(); }, 5000));
}
