// The Linux runner end to end with Debian's apache2, mod_php and MariaDB on
// the demo guest book: what the user stores survives every way the runner
// ends, the database always stops cleanly, and nothing is left running.
#include <doctest/doctest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>


#include "RunnerKit.h"
#include "util/linux/Fd.h"
#include "util/linux/Files.h"

namespace {

// Empty when another program holds the port already (other tests on this machine).
UniqueFd HoldPort(int port) {
    UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener.Get(), 1) != 0)
        return {};
    return listener;
}

// The page from a start that found the database as a clean stop left it.
std::string StartAndCheckCleanStart(const TSite& site, TChildProcess& runner) {
    const size_t logBefore = site.WorkFile("mysqld.log").size();
    runner = site.Start();
    const std::string page = site.WaitForHomePage();
    INFO(LinuxFiles::ReadFile(site.Root + "/runner.log"));
    const std::string log = site.WorkFile("mysqld.log");
    CHECK(log.size() > logBefore);
    CHECK(log.find("crash recovery", logBefore) == std::string::npos);
    CHECK(!page.empty());
    return page;
}

}  // namespace

TEST_CASE("a guest book entry survives closing, a kill and a restart, and the servers always end cleanly") {
    TSite site("Zoë");
    const UniqueFd web = HoldPort(site.ConfiguredPort), database = HoldPort(3306);
    TChildProcess runner = site.Start();

    // First page: PHP's version and data read from MariaDB, on the next free ports.
    const std::string first = site.WaitForHomePage();
    REQUIRE_MESSAGE(!first.empty(), LinuxFiles::ReadFile(site.Root + "/runner.log"));
    CHECK(first.find("<span id=\"php-version\">8.2.") != std::string::npos);
    CHECK(first.find("<span id=\"db-version\">10.") != std::string::npos);
    if (web) CHECK(site.WebPort() > site.ConfiguredPort);
    if (database) CHECK(site.DatabasePort() > 3306);
    Curl("-d 'name=Zoë Ünal' -d 'message=Grüße aus der Prüfung' " + site.Home() + "/");
    CHECK(Count(Curl(site.Home() + "/"), "Grüße aus der Prüfung") == 1);

    // A second start tells the first and ends; the first's servers go on untouched.
    const std::vector<THeldProcess> servers = site.Servers();
    REQUIRE(servers.size() >= 3);  // the database server, Apache and its children
    TChildProcess second = site.Start();
    CHECK(second.WaitFor(20000));
    CHECK(WIFEXITED(*second.ExitStatus()));
    for (const THeldProcess& server : servers) CHECK(server.Running());
    CHECK(Count(Curl(site.Home() + "/"), "Grüße aus der Prüfung") == 1);

    SUBCASE("closed, started again, killed, started on a stale pid file") {
        long long shutdowns = Count(site.WorkFile("mysqld.log"), "mysqld: Shutdown complete");
        // The window closed, as the user closes it; a signal where there is no display.
        if (std::getenv("DISPLAY"))
            CHECK(WaitUntil(10000, [&] { return CloseWindowsOf(runner.Id()); }));
        else
            runner.Signal(SIGTERM);
        CheckAllEndedCleanly(site, runner, shutdowns++);
        CHECK(Count(site.WorkFile("httpd.log"), "caught SIGWINCH, shutting down gracefully") == 1);

        CHECK(Count(StartAndCheckCleanStart(site, runner), "Grüße aus der Prüfung") == 1);
        runner.Signal(SIGKILL);
        CheckAllEndedCleanly(site, runner, shutdowns++);

        // A pid file naming a live process, as after a crash and a reused id.
        TSpawnOptions sleeper;
        sleeper.Arguments = {"/bin/sleep", "120"};
        TChildProcess live = SpawnChild(sleeper);
        LinuxFiles::WriteFileReplacing(site.Work + "/httpd.pid", std::to_string(live.Id()) + "\n");
        // And a server of this distribution that no runner owns any more.
        TSpawnOptions leftover;
        leftover.Arguments = {"/bin/sh", "-c", "sleep 120", "-f", site.Work + "/httpd.conf"};
        TChildProcess orphan = SpawnChild(leftover);
        CHECK(Count(StartAndCheckCleanStart(site, runner), "Grüße aus der Prüfung") == 1);
        CHECK(live.Running());
        CHECK_FALSE(orphan.Running());
        runner.Signal(SIGTERM);
        CheckAllEndedCleanly(site, runner, shutdowns++);
    }
}

TEST_CASE("a web server that is missing or exits at once: the failure names it and its log, nothing runs on") {
    TSite site("Fehler");
    const std::string httpd = site.Dir + "/bin/apache/httpd";
    struct TCase {
        const char* Name;
        const char* Script;  // what stands in for the web server; none: it is missing
        const char* Expected;
    };
    const TCase cases[] = {
        {"missing", nullptr, "The web server program "},
        {"exits at once", "#!/bin/sh\nexit 3\n", "The web server exited with code 3 while starting up. Its log: "},
    };
    for (const TCase& failure : cases) {
        CAPTURE(failure.Name);
        LinuxFiles::RemoveFile(httpd);
        if (failure.Script) LinuxFiles::WriteFileReplacing(httpd, failure.Script, 0755);
        LinuxFiles::WriteFileReplacing(site.Root + "/runner.log", "");
        TChildProcess runner = site.Start(true);
        CHECK(runner.WaitFor(90000));
        const std::string output = LinuxFiles::ReadFile(site.Root + "/runner.log");
        CHECK(output.find(failure.Expected) != std::string::npos);
        CHECK(output.find(failure.Script ? site.Work + "/httpd.log" : httpd) != std::string::npos);
        CHECK(site.Servers().empty());
    }

    // With a window the failure is a dialog, shown once nothing runs any more.
    if (std::getenv("DISPLAY")) {
        TChildProcess runner = site.Start();
        CHECK_MESSAGE(WaitUntil(90000, [&] { return CloseWindowsOf(runner.Id(), false); }),
                      LinuxFiles::ReadFile(site.Root + "/runner.log"));
        CHECK(site.Servers().empty());
        CHECK(runner.Running());
        CHECK(CloseWindowsOf(runner.Id()));
        CHECK(runner.WaitFor(10000));
    }
}
