#include <doctest/doctest.h>

#include <set>
#include <system_error>

#include "RunnerFixture.h"
#include "server/Product.h"
#include "server/ServerText.h"
#include "tools/TestBoxes.h"
#include "util/ShellKit.h"

namespace {

std::string WorkFile(const std::string& name) { return TShellKit::GetWorkDir() + "\\" + name; }

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_CASE("own-browser start: free ports, servers up, hooks in order, shutdown kills all") {
    Distribution distribution;
    distribution.AddFile("bin\\apache\\php.exe");
    const int configuredPort = 28180;
    PortHolder webHolder(configuredPort);
    PortHolder mySqlHolder(3306);
    REQUIRE(webHolder.Held());

    TFakeWindow window;
    // Quoted, as Customize writes it: the blanks reach the reader, which trims them.
    window.settings = {{"port", std::to_string(configuredPort)}, {"title", "\" \t My Site  \""}};
    window.FormCreate();

    CHECK(window.Started);
    CHECK(ProductTitle == "My Site");
    CHECK(window.WebPort > configuredPort);
    CHECK(window.MySqlPort > 3306);
    const std::string home = HomeAddress(window.WebPort);
    CHECK(Contains(ReadText(window.HttpdConfPath), "Listen 127.0.0.1:" + std::to_string(window.WebPort)));
    CHECK(Contains(ReadText(WorkFile("php.ini")), "mysql.default_port=" + std::to_string(window.MySqlPort)));
    CHECK(TShellKit::IniReadString(window.MyIniPath, "mysqld", "port") == std::to_string(window.MySqlPort));
    CHECK(Contains(HttpGet(window.WebPort), "<title>fake site</title>"));
    CHECK(window.ApacheProcesses.size() == 2);
    CHECK(window.MySqlProcess.Running());
    CHECK(TShellKit::GetEnv("PHP_EXE") == TShellKit::GetShortPath(BinPath() + "\\apache\\php.exe"));
    CHECK(TShellKit::GetEnv("OPENSSL_CONF").empty());
    CHECK(TShellKit::GetEnv("SERVER_APPNAME") == "Vadrome");
    CHECK(TShellKit::GetEnv("PHPRC") == window.WorkDir);

    const std::vector<std::string> expected = {
        "InstallHintWindow", "SetCaption My Site", "PrepareMaximizedStart",
        "BuildWindow while the web server starts", "NavigateTo " + home,
        "BuildFavoritesMenu", "SetOrganizeFavoritesBarBreak", "SetBrowserSilent 1",
        "SetSettingsItemEnabled 1", "SetHomeHint " + home + " (Alt+Home)", "SetBarsVisible 11",
        "MoveProgressBarIntoStatusBar", "SetAddressText " + home, "NavigateTo " + home,
        "SetApplicationToolWindow 0", "BringApplicationToFront", "ShowTrayIcon 1",
        "StartSplashCloseTimer"};
    CHECK(window.calls == expected);
    CHECK(window.FavoritesFile == "favorites");

    window.calls.clear();
    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    CHECK(window.calls == std::vector<std::string>{"HideMainWindow", "ShowTrayIcon 0"});
    CheckEverythingKilled(window, distribution);
    ProductTitle = BuiltInProductName;
}

TEST_CASE("settings switches: brand wins over the Customize button, full screen, no database") {
    Distribution distribution(false);
    distribution.AddFile("bin\\Browser.ini", "[Other]\r\nDisableJavaScriptErrorDialogs=0\r\n");
    TFakeWindow window;
    window.settings = {{"brand", "1"}, {"customizebutton", ""}, {"fullscreen", "1"},
                       {"toolbar", "0"}, {"title", "   "}};
    SUBCASE("minimized start without a tray icon: minimized window") {
        window.settings["trayicon"] = "0";
        window.showCommand = 6002;
        window.FormCreate();
        CHECK(Called(window, "MinimizeMainWindow"));
        CHECK_FALSE(Called(window, "SetShowMainFormOnStart 0"));
        CHECK_FALSE(Called(window, "ShowTrayIcon 1"));
    }
    SUBCASE("hidden start with a tray icon: no window, only the tray icon") {
        window.showCommand = 6007;
        window.FormCreate();
        CHECK(Called(window, "SetShowMainFormOnStart 0"));
        CHECK(Called(window, "ShowTrayIcon 1"));
        CHECK_FALSE(Called(window, "MinimizeMainWindow"));
    }
    // Either way the splash goes at once.
    CHECK_FALSE(Called(window, "StartSplashCloseTimer"));
    CHECK_FALSE(window.SplashProcess);

    CHECK(Called(window, "SetCaption Vadrome"));
    CHECK(Called(window, "ApplyBrandLayout"));
    CHECK_FALSE(Called(window, "HideCustomizeButton"));
    CHECK(Called(window, "SetBarsVisible 01"));
    CHECK(Called(window, "EnterFullScreen"));
    CHECK(Called(window, "SetBrowserSilent 0"));
    CHECK_FALSE(ScriptErrorsSilent);
    CHECK(window.MySqlPort == 0);
    CHECK_FALSE(window.MySqlProcess);
    CHECK_FALSE(TShellKit::FileExists(WorkFile("my.ini")));
    CHECK(Contains(ReadText(WorkFile("php.ini")), "mysql.default_port=0\n"));
    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    ScriptErrorsSilent = true;
}

TEST_CASE("external browser: window never shown, parameters filled, runner ends after it") {
    Distribution distribution;
    std::error_code ignored;
    DeleteFileA((BinPath() + "\\browser.exe.log").c_str());
    CopyFileA(FakeServerPath().c_str(), (BinPath() + "\\browser.exe").c_str(), FALSE);

    TFakeWindow window;
    SUBCASE("a browser that runs a while; SplashTime not a number") {
        distribution.AddFile("bin\\Browser.ini",
                             "[Browser]\r\nBrowserPath={BIN}\\browser.exe\r\n"
                             "Parameters=sleep 800 --app={Url}\r\nSplashTime=soon\r\n");
        CHECK_THROWS_AS(window.FormCreate(), ProcessEnded);

        CHECK(Contains(ReadText(BinPath() + "\\browser.exe.log"),
                       "sleep 800 --app=" + HomeAddress(window.WebPort)));
        CHECK(window.BrowserMessageId != 0);
        CHECK(Called(window, "SetShowMainFormOnStart 0"));
        CHECK(Called(window, "BringApplicationToFront"));
        CHECK_FALSE(Called(window, "BuildFavoritesMenu"));
        CHECK_FALSE(Called(window, "StartTimer1 0"));
        CHECK_FALSE(window.Started);
    }
    SUBCASE("a relative path to a browser that is gone before the first look") {
        distribution.AddFile("bin\\Browser.ini",
                             "[Browser]\r\nBrowserPath=bin\\browser.exe\r\nSplashTime=5\r\n");
        window.BrowserStartWaitLimitMs = 700;
        // Seconds, not the 30 of the default wait, though a loaded machine stretches them.
        const ULONGLONG elapsed = MillisecondsOf(&TRunner::FormCreate, window);
        CHECK(elapsed < 25000);
        CHECK(Called(window, "StartTimer1 5000"));
    }
    CHECK(Called(window, "ShowTrayIcon 0"));
    CheckEverythingKilled(window, distribution);
}

TEST_CASE("a failed start-up step is reported and everything started is shut down") {
    Distribution distribution;
    RecordedBoxes().clear();
    TFakeWindow window;
    std::string expected;
    bool webServerStarted = false;
    SUBCASE("port that is no number") {
        window.settings = {{"port", "http"}};
        expected = "The port setting \"http\"";
    }
    SUBCASE("no free port up to 65535") {
        static PortHolder last(65535);
        REQUIRE(last.Held());
        window.settings = {{"port", "65535"}};
        expected = "No port from 65535 to 65535 is free";
    }
    SUBCASE("a window that cannot be built") {
        window.windowFails = true;
        expected = "Error creating window.";
        webServerStarted = true;
    }
    SUBCASE("a first navigation that fails") {
        window.navigationFails = true;
        expected = "The site could not be opened at http://127.0.0.1:";
        webServerStarted = true;
    }
    SUBCASE("a web server that is no program") {
        distribution.AddFile("bin\\Apache\\Apache.exe", "no program");
        expected = "The web server " + distribution.ApacheExe() + " could not be started: ";
    }
    SUBCASE("a database server that ends at once") {
        WriteText(WorkFile("my.ini"), "[mysqld]\r\nExitAtOnce=1\r\nlog-error=mysql_error\r\n");
        expected = "The database server " + distribution.MySqlExe() + " ended at start-up with exit code 1. " +
                   "Its error log, " + AppPath() + "data\\mysql_error.err, may tell why.";
        webServerStarted = true;
    }
    CHECK_THROWS_AS(window.FormCreate(), ProcessEnded);

    REQUIRE(RecordedBoxes().size() == 1);
    CHECK(Contains(RecordedBoxes()[0].text, expected));
    CHECK(RecordedBoxes()[0].type == (MB_OK | MB_ICONERROR | MB_SETFOREGROUND));
    CHECK_FALSE(window.Started);
    CHECK_FALSE(Called(window, "NavigateTo http://127.0.0.1:-1"));
    CHECK(TShellKit::FileExists(WorkFile("httpd.conf")) == (webServerStarted || Contains(expected, "web server")));
    CHECK(window.MySqlProcess);
    CHECK(static_cast<bool>(window.ApacheProcess) == webServerStarted);
    CheckEverythingKilled(window, distribution);
}

TEST_CASE("web server wait: one that stays single is bounded") {
    Distribution distribution(false);
    TFakeWindow window;
    size_t expectedProcesses = 0;
    SUBCASE("stays single") {
        distribution.AddFile("bin\\apache\\httpd.conf", "Listen $IP$:$PORT$\nSingleProcess\n");
        window.WebServerWaitLimitMs = 1000;
        expectedProcesses = 1;
    }
    const ULONGLONG elapsed = MillisecondsOf(&TRunner::FormCreate, window);
    CHECK(window.Started);
    CHECK(elapsed < 15000);  // well below the default wait of 20 s, with room for a loaded machine
    CHECK(window.ApacheProcesses.size() == expectedProcesses);
    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    CHECK(NoProcessRuns(distribution.ApacheExe()));
}

TEST_CASE("start-up ends a database server left over, not one a live process started, and looks without the "
          "debug privilege") {
    Distribution distribution;
    const std::string mysqld = std::string("\"") + distribution.MySqlExe() + "\" 60000";
    const TChildProcess owner = StartChildProcess(FakeServerPath(), "adopt " + mysqld, SW_HIDE, "");
    CHECK(RunAndWaitForExitCode(FakeServerPath(), "orphan " + mysqld, SW_HIDE, "") == 0u);
    REQUIRE(WaitUntil([&] { return TShellKit::FindProcessesByPath(distribution.MySqlExe()).size() == 2; }));
    const std::vector<TChildProcess> adopted = HoldDescendants(owner);
    REQUIRE(adopted.size() == 1);

    TFakeWindow window;
    window.FormCreate();
    const auto running = TShellKit::FindProcessesByPath(distribution.MySqlExe());
    CHECK(std::set<int>(running.begin(), running.end()) == std::set<int>{adopted[0].Id(), window.MySqlProcess.Id()});

    PRIVILEGE_SET privileges{1, PRIVILEGE_SET_ALL_NECESSARY, {}};
    HANDLE token = nullptr;
    BOOL enabled = TRUE;
    REQUIRE(LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privilege[0].Luid));
    REQUIRE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    PrivilegeCheck(token, &privileges, &enabled);
    CloseHandle(token);
    CHECK_FALSE(enabled);

    CHECK_THROWS_AS(window.Quit(), ProcessEnded);
    KillProcessTree(owner);
}

TEST_CASE("a second instance is refused before anything else happens") {
    TFakeWindow window;
    REQUIRE(TShellKit::IsFirstInstance(window.instanceName));
    RecordedBoxes().clear();
    CHECK_THROWS_AS(window.FormCreate(), ProcessEnded);
    REQUIRE(RecordedBoxes().size() == 1);
    CHECK(RecordedBoxes()[0].text == "An instance of this application is already running!");
    CHECK(RecordedBoxes()[0].caption == "Error");
    CHECK(window.calls == std::vector<std::string>{"InstallHintWindow"});
    CHECK(window.WorkDir.empty());
}

TEST_CASE("Timer1 ends the splash once") {
    TFakeWindow window;
    window.SplashProcess = StartChildProcess(FakeServerPath(), "sleep 60000", SW_HIDE, "");
    REQUIRE(window.SplashProcess);
    window.Timer1Timer();
    CHECK(window.calls == std::vector<std::string>{"StopTimer1"});
    CHECK(WaitUntilEnded(window.SplashProcess));
}
