// The browser message names a process for shutdown to end. Its name is
// derivable from the browser's path, so any program can send one: a process
// outside the external browser's own tree that reports itself is left alone.
#include <doctest/doctest.h>

#include "E2eKit.h"

using namespace e2e;

TEST_CASE("external browser: a process outside the browser's tree that reports itself survives the runner") {
    TDistribution distribution("vrep");
    const std::string browser = distribution.UseExternalBrowser("LiveMs=3000\r\nReport=1\r\n", "Parameters={url}\r\n");
    // Started by the test, so it lies outside the runner's process tree.
    const std::string helper = distribution.AddBrowser(
        "helper\\helper.exe", "Report=1\r\nReportFor=" + browser + "\r\nChild=1\r\nLiveMs=120000\r\n");
    StartRunner(distribution);
    REQUIRE(WaitUntil([&] { return !ValuesOf(ReadStandinLog(browser), "reported").empty(); }, 60000));
    UniqueHandle helperProcess = standin::StartHidden(helper, "");
    REQUIRE(helperProcess);
    REQUIRE(WaitUntil([&] { return !ValuesOf(ReadStandinLog(helper), "child").empty(); }, 10000));
    REQUIRE(ValuesOf(ReadStandinLog(helper), "reported").size() == 1);
    REQUIRE(ProcessesRunning(helper).size() == 2);

    REQUIRE(WaitUntil([&] { return NothingRunsFrom(distribution); }, 30000));
    CHECK(ProcessesRunning(browser).empty());
    CHECK(ProcessesRunning(helper).size() == 2);
}
