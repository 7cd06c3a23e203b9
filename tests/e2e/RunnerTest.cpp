// The runner with its own window: start through the relaunch, servers on free
// ports, the site at the home address, the single-instance rule, an exit that
// leaves no server behind, and all of it from a folder whose name the
// servers' code page cannot hold.
#include <doctest/doctest.h>

#include <algorithm>

#include "E2eKit.h"
#include "StandinText.h"
#include "server/ServerText.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

using namespace e2e;

namespace {

constexpr unsigned StartTimeoutMs = 60000;
constexpr unsigned EndTimeoutMs = 20000;

// The notes of the web server's last start in its error log.
std::string LastStartNotes(const std::string& log) {
    const size_t first = log.rfind(" PHPIniDir ");
    return first == std::string::npos ? std::string() : log.substr(log.rfind('\n', first) + 1);
}

std::vector<DWORD> Sorted(std::vector<DWORD> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace

TEST_CASE("the runner serves the site on free ports and closing its window ends it and every server") {
    TDistribution distribution("vrun");
    // The configured port and the database's first choice are taken: both must move up.
    const int takenWebPort = standin::FreePort();
    distribution.SetConfigValue("port", std::to_string(takenWebPort));
    UniqueSocket webTaken = standin::ListenOn("127.0.0.1", takenWebPort);
    UniqueSocket databaseTaken = standin::ListenOn("127.0.0.1", 3306);
    REQUIRE(webTaken);

    const TRunningSite site = StartAndWait(distribution);
    CHECK(site.WebPort > takenWebPort);

    const auto home = GetPage(site.WebPort, "/");
    CHECK(home->Status == 200);
    CHECK(home->Body.find("Vadrome demo") != std::string::npos);
    CHECK(GetPage(site.WebPort, "/style.css")->Header("Content-Type") == "text/css");

    REQUIRE(ProcessesRunning(distribution.MysqldExe).size() == 1);
    const auto databasePort = distribution.MysqlPort();
    REQUIRE(databasePort);
    if (databaseTaken) CHECK(*databasePort > 3306);
    CHECK(WaitUntil([&] { return static_cast<bool>(standin::ConnectTo("127.0.0.1", *databasePort, 2000)); }, 10000));

    PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
    CHECK_FALSE(GetPage(site.WebPort, "/"));
}

TEST_CASE("a second start of the same runner is refused and leaves the first alone") {
    TDistribution distribution("vone");
    const TRunningSite first = StartAndWait(distribution);
    const auto firstServers = Sorted(ProcessesRunning(distribution.ApacheExe));
    const auto firstDatabase = ProcessesRunning(distribution.MysqldExe);

    StartRunner(distribution);
    HWND box = nullptr;
    REQUIRE(WaitUntil([&] { return (box = FindMessageBox(distribution.Runner, "Error")) != nullptr; }, StartTimeoutMs));
    CHECK(DialogText(box).find("An instance of this application is already running!") != std::string::npos);
    const DWORD secondId = ProcessOfWindow(box);
    CHECK(secondId != first.RunnerId);
    HWND secondMain = FindMainWindow(distribution.Runner, secondId);
    CHECK((secondMain == nullptr || !IsWindowVisible(secondMain)));

    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(WaitUntil([&] { return !standin::ProcessAlive(secondId); }, EndTimeoutMs));

    CHECK(standin::ProcessAlive(first.RunnerId));
    CHECK(Sorted(ProcessesRunning(distribution.ApacheExe)) == firstServers);
    CHECK(ProcessesRunning(distribution.MysqldExe) == firstDatabase);
    const auto stillServed = GetPage(first.WebPort, "/");
    REQUIRE(stillServed);
    CHECK(stillServed->Status == 200);

    // A copy in another folder is another application.
    {
        TDistribution copy("vtwo");
        const TRunningSite second = StartAndWait(copy);
        CHECK(FindMessageBox(copy.Runner, "Error") == nullptr);
        CHECK(second.WebPort != first.WebPort);
        CHECK(GetPage(second.WebPort, "/")->Status == 200);
        PostMessageW(second.MainWindow, WM_CLOSE, 0, 0);
        CHECK(WaitUntil([&] { return NothingRunsFrom(copy); }, EndTimeoutMs));
        CHECK(standin::ProcessAlive(first.RunnerId));
    }

    PostMessageW(first.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
}

TEST_CASE("a distribution under a folder with blanks and letters outside the system code page runs end to end") {
    // "...\Zoë Test-<n>\Мой сайт 1"
    TDistribution distribution("Zo\xC3\xAB Test", "\xD0\x9C\xD0\xBE\xD0\xB9 \xD1\x81\xD0\xB0\xD0\xB9\xD1\x82 1");
    distribution.WriteFile("bin\\Apache\\php.exe", "");
    distribution.WriteFile("bin\\Apache\\openssl.cnf", "");
    // Else the long form would do, and the short one would go unproven.
    REQUIRE_FALSE(ToCodePage(distribution.Folder, SystemAnsiCodePage()));
    const std::string shortFolder = TShellKit::GetShortPath(distribution.Folder);
    REQUIRE(IsAscii(shortFolder));
    const std::string renamed = distribution.Folder + "\\Zo\xC3\xAB Shop.exe";  // as a branded copy may be
    REQUIRE(MoveFileW(Widen(distribution.Runner).c_str(), Widen(renamed).c_str()));
    distribution.Runner = renamed;

    const TRunningSite site = StartAndWait(distribution);
    DWORD mode = 0, size = sizeof(mode);  // the browser control's mode, set for this name
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                 L"FEATURE_BROWSER_EMULATION", L"Zo\u00EB Shop.exe", RRF_RT_REG_DWORD, nullptr, &mode, &size);
    CHECK(mode == 11001u);
    const auto home = GetPage(site.WebPort, "/");
    CHECK(home->Status == 200);
    CHECK(home->Body.find("Vadrome demo") != std::string::npos);
    const auto databasePort = distribution.MysqlPort();
    REQUIRE(databasePort);
    CHECK(WaitUntil([&] { return static_cast<bool>(standin::ConnectTo("127.0.0.1", *databasePort, 2000)); }, 10000));

    const std::string work = distribution.WorkDir();
    const auto conf = standin::ReadWholeFile(work + "\\httpd.conf");
    REQUIRE(conf);
    CHECK(standin::ParseHttpdConf(*conf).DocumentRoot == SlashForm(shortFolder) + "/www");
    CHECK(standin::ReadWholeFile(work + "\\my.ini").value_or("").find(SlashForm(shortFolder) + "/data") !=
          std::string::npos);
    // What PHP would find through the environment and PHPIniDir, as the server saw them.
    const std::string notes = LastStartNotes(standin::ReadWholeFile(work + "\\apache_error.log").value_or(""));
    for (const char* name : {"PHPIniDir", "PHPRC", "PHP_EXE", "OPENSSL_CONF", "SSLEAY_CONF", "SERVER_FILENAME"})
        CHECK_MESSAGE(notes.find(std::string("[standin] found ") + name + " ") != std::string::npos, name);

    PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
    CHECK_FALSE(GetPage(site.WebPort, "/"));
}

TEST_CASE("a start-up failure shows its box with the splash already gone, then ends every server") {
    TDistribution distribution("vbad");
    distribution.SetConfigValue("port", "http");
    StartRunner(distribution);
    HWND box = nullptr;
    REQUIRE(WaitUntil([&] { return (box = FindMessageBox(distribution.Runner, "Vadrome")) != nullptr; },
                      StartTimeoutMs));
    CHECK(DialogText(box).find("The port setting \"http\"") != std::string::npos);
    // The runner alone: the topmost splash would cover the box and its button.
    CHECK(ProcessesRunning(distribution.Runner) == std::vector<DWORD>{ProcessOfWindow(box)});

    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
}
