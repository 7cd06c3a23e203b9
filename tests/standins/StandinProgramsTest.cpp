// The stand-in programs behave as the runner relies on: two web-server
// processes while it serves, a parent that ends when it cannot listen, a
// database server on the port it is told, and a browser that reports itself
// under the message name the runner registers; the servers see paths as
// programs for the system's ANSI code page do.
#include <doctest/doctest.h>

#include "StandinNet.h"
#include "server/ServerText.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

using namespace standin;

namespace {

const std::string ApacheExe = HostPath(STANDIN_APACHE_EXE);
const std::string MysqldExe = HostPath(STANDIN_MYSQLD_EXE);

struct TSite {
    std::string Folder = MakeTempFolder("standin-site-");
    std::string Root = Folder + "\\www";
    std::string Conf = Folder + "\\httpd.conf";

    TSite() {
        CreateDirectoryW(Widen(Root).c_str(), nullptr);
        CreateDirectoryW(Widen(Root + "\\sub").c_str(), nullptr);
        WriteWholeFile(Root + "\\index.html", "<h1>home</h1>");
        WriteWholeFile(Root + "\\style.css", "body{}");
        WriteWholeFile(Root + "\\page.php", "<?php echo 1; ?>");
        WriteWholeFile(Root + "\\sub\\index.htm", "<p>sub</p>");
        WriteWholeFile(Folder + "\\secret.txt", "secret");
    }
    void WriteConf(const std::string& listen) const {
        WriteWholeFile(Conf, "ServerRoot \"" + SlashForm(Folder) + "\"\r\nListen " + listen + "\r\nDocumentRoot \"" + SlashForm(Root) +
                                 "\"\r\n<Directory \"" + SlashForm(Root) + "\">\r\n</Directory>\r\n");
    }
};

// Ends every process of the stand-in when the test ends, passed or not.
struct TServerRun {
    std::string Exe;
    UniqueHandle Started;
    TServerRun(const std::string& exe, const std::string& params) : Exe(exe), Started(StartHidden(exe, params)) {}
    ~TServerRun() {
        for (DWORD id : ProcessesRunning(Exe)) Kill(id);
    }
};

// The exit code once the started process has ended by itself; -1 while it runs.
long ExitCodeOf(const TServerRun& run) {
    DWORD code = 0;
    if (!run.Started || WaitForSingleObject(run.Started.Get(), 5000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(run.Started.Get(), &code))
        return -1;
    return static_cast<long>(code);
}

std::optional<THttpResponse> Get(int port, const std::string& path, const std::string& method = "GET") {
    return HttpRequest("127.0.0.1", port, method, path);
}

}  // namespace

TEST_CASE("web server stand-in: two processes serving the document root") {
    TWinsock winsock;
    const TSite site;
    const int port = FreePort();
    site.WriteConf("127.0.0.1:" + std::to_string(port));
    const TServerRun server(ApacheExe, "-f \"" + site.Conf + "\"");
    REQUIRE(server.Started);
    REQUIRE(WaitUntil([&] { return ProcessesRunning(ApacheExe).size() == 2; }, 10000));
    REQUIRE(WaitUntil([&] { return Get(port, "/").has_value(); }, 10000));

    SUBCASE("pages, types and directory indexes") {
        const auto home = Get(port, "/");
        CHECK(home->Status == 200);
        CHECK(home->Body == "<h1>home</h1>");
        CHECK(home->Header("Content-Type") == "text/html");
        const auto css = Get(port, "/style.css?v=2");
        CHECK(css->Status == 200);
        CHECK(css->Header("Content-Type") == "text/css");
        const auto php = Get(port, "/page.php");
        CHECK(php->Header("Content-Type") == "text/html");
        CHECK(php->Body == "<?php echo 1; ?>");
        CHECK(Get(port, "/sub/")->Body == "<p>sub</p>");
        const auto redirect = Get(port, "/sub");
        CHECK(redirect->Status == 301);
        CHECK(redirect->Header("Location") == "/sub/");
        const auto head = Get(port, "/style.css", "HEAD");
        CHECK(head->Status == 200);
        CHECK(head->Header("Content-Length") == "6");
        CHECK(head->Body.empty());
    }
    SUBCASE("errors, and nothing outside the root") {
        CHECK(Get(port, "/missing.html")->Status == 404);
        CHECK(Get(port, "/../secret.txt")->Status == 400);
        CHECK(Get(port, "/%2e%2e/secret.txt")->Status == 400);
        CHECK(Get(port, "/", "POST")->Status == 501);
    }
    SUBCASE("idle connections do not hold up others") {
        UniqueSocket idle1 = ConnectTo("127.0.0.1", port, 5000);
        UniqueSocket idle2 = ConnectTo("127.0.0.1", port, 5000);
        REQUIRE(idle1);
        REQUIRE(idle2);
        const auto answered = Get(port, "/style.css");
        REQUIRE(answered);
        CHECK(answered->Status == 200);
    }
}

TEST_CASE("web server stand-in: Listen with a port alone serves every interface") {
    TWinsock winsock;
    const TSite site;
    const int port = FreePort();
    site.WriteConf(std::to_string(port));
    const TServerRun server(ApacheExe, "-f \"" + site.Conf + "\"");
    CHECK(WaitUntil([&] { return Get(port, "/").has_value(); }, 10000));
}

TEST_CASE("web server stand-in: a taken port ends the parent at once with a failure code") {
    TWinsock winsock;
    const TSite site;
    const int port = FreePort();
    UniqueSocket taken = ListenOn("127.0.0.1", port);
    REQUIRE(taken);
    site.WriteConf("127.0.0.1:" + std::to_string(port));
    const TServerRun server(ApacheExe, "-f \"" + site.Conf + "\"");
    CHECK(ExitCodeOf(server) > 0);
    CHECK(ProcessesRunning(ApacheExe).empty());
}

TEST_CASE("web server stand-in: a missing configuration file is a failure too") {
    const TServerRun server(ApacheExe, "-f \"C:\\no\\such\\httpd.conf\"");
    CHECK(ExitCodeOf(server) > 0);
}

TEST_CASE("database stand-in: port from the defaults file, and --port wins over it") {
    TWinsock winsock;
    const std::string folder = MakeTempFolder("standin-db-");
    const int filePort = FreePort();
    const std::string myIni = folder + "\\my.ini";
    WriteWholeFile(myIni, "[mysqld]\r\nbasedir=\"C:/x/mysql\"\r\nbind-address=127.0.0.1\r\nport=" +
                              std::to_string(filePort) + "\r\n");
    auto greeting = [](int port) {
        UniqueSocket client = ConnectTo("127.0.0.1", port, 3000);
        return client ? ReceiveAll(client.Get(), 256) : std::string();
    };

    SUBCASE("defaults file alone") {
        const TServerRun server(MysqldExe, "\"--defaults-file=" + myIni + "\"");
        CHECK(WaitUntil([&] { return !greeting(filePort).empty(); }, 10000));
    }
    SUBCASE("the command line's port") {
        const int port = FreePort();
        const TServerRun server(MysqldExe, "\"--defaults-file=" + myIni + "\" \"--port=" + std::to_string(port) +
                                               "\" \"--innodb\" \"--user=root\"");
        CHECK(WaitUntil([&] { return !greeting(port).empty(); }, 10000));
        CHECK(greeting(filePort).empty());
    }
}

TEST_CASE("server stand-ins: a path the system code page cannot hold names nothing to them, its short form does") {
    TWinsock winsock;
    // "Мой сайт"
    const std::string folder = MakeTempFolder("standin-ansi-") + "\\\xD0\x9C\xD0\xBE\xD0\xB9 \xD1\x81\xD0\xB0\xD0\xB9\xD1\x82";
    REQUIRE(TShellKit::ForceDirectories(folder + "\\www"));
    REQUIRE_FALSE(ToCodePage(folder, SystemAnsiCodePage()));
    const std::string shortFolder = TShellKit::GetShortPath(folder);
    REQUIRE(IsAscii(shortFolder));
    WriteWholeFile(folder + "\\www\\index.html", "<h1>home</h1>");
    WriteWholeFile(folder + "\\php.ini", "");

    SUBCASE("web server: configuration, document root and the environment PHP would get") {
        auto writeConf = [&](const std::string& root, int port) {
            WriteWholeFile(folder + "\\httpd.conf", "ServerRoot \"" + SlashForm(shortFolder) + "\"\r\nListen 127.0.0.1:" +
                                                         std::to_string(port) + "\r\nDocumentRoot \"" + SlashForm(root) +
                                                         "/www\"\r\nErrorLog error.log\r\nPHPIniDir \"" +
                                                         SlashForm(root) + "\"\r\n");
        };
        const int port = FreePort();
        writeConf(shortFolder, port);
        CHECK(ExitCodeOf(TServerRun(ApacheExe, "-f \"" + folder + "\\httpd.conf\"")) > 0);

        TShellKit::SetEnv("PHPRC", folder);
        TShellKit::SetEnv("PHP_EXE", shortFolder + "\\php.ini");
        {
            const TServerRun server(ApacheExe, "-f \"" + shortFolder + "\\httpd.conf\"");
            REQUIRE(WaitUntil([&] { return Get(port, "/").has_value(); }, 10000));
            CHECK(Get(port, "/")->Body == "<h1>home</h1>");
        }
        const std::string notes = ReadWholeFile(folder + "\\error.log").value_or("");
        CHECK(notes.find("[standin] found PHPIniDir ") != std::string::npos);
        CHECK(notes.find("[standin] missing PHPRC ") != std::string::npos);
        CHECK(notes.find("[standin] found PHP_EXE ") != std::string::npos);
        CHECK(notes.find("[standin] unset OPENSSL_CONF") != std::string::npos);

        const int longRootPort = FreePort();
        writeConf(folder, longRootPort);
        const TServerRun server(ApacheExe, "-f \"" + shortFolder + "\\httpd.conf\"");
        REQUIRE(WaitUntil([&] { return Get(longRootPort, "/").has_value(); }, 10000));
        CHECK(Get(longRootPort, "/")->Status == 404);
        TShellKit::SetEnv("PHPRC", "");
        TShellKit::SetEnv("PHP_EXE", "");
    }
    SUBCASE("database server: defaults file, data folder and language folder") {
        const int port = FreePort();
        WriteWholeFile(folder + "\\my.ini", "[mysqld]\r\ndatadir=\"" + SlashForm(shortFolder) + "/www\"\r\nport=" +
                                                  std::to_string(port) + "\r\n");
        WriteWholeFile(folder + "\\bad.ini", "[mysqld]\r\ndatadir=\"" + SlashForm(folder) + "/www\"\r\n");
        auto start = [&](const std::string& defaults, const std::string& language) {
            return TServerRun(MysqldExe, "\"--defaults-file=" + defaults + "\" \"--language=" + language + "\"");
        };
        CHECK(ExitCodeOf(start(folder + "\\my.ini", shortFolder)) > 0);
        CHECK(ExitCodeOf(start(shortFolder + "\\my.ini", folder)) > 0);
        CHECK(ExitCodeOf(start(shortFolder + "\\bad.ini", shortFolder)) > 0);
        const TServerRun server = start(shortFolder + "\\my.ini", shortFolder);
        CHECK(WaitUntil([&] { return static_cast<bool>(ConnectTo("127.0.0.1", port, 2000)); }, 10000));
    }
}

namespace {

UINT reportedMessage = 0;
WPARAM reportedId = 0;

LRESULT CALLBACK FakeMainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == reportedMessage && message != 0) reportedId = wParam;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST_CASE("browser stand-in: reports its process id to a hidden runner window under the runner's message name") {
    const std::string folder = MakeTempFolder("standin-browser-");
    const std::string browser = folder + "\\browser.exe";
    REQUIRE(CopyFileW(Widen(HostPath(STANDIN_BROWSER_EXE)).c_str(), Widen(browser).c_str(), FALSE));
    WriteWholeFile(folder + "\\browser.ini", "[Standin]\r\nReport=1\r\nLiveMs=3000\r\n");

    // The name as the runner forms it, with the runner's own helpers.
    const std::string name = UpperAscii(TShellKit::GetShortPath(browser));
    reportedMessage = RegisterWindowMessageW(Widen(TShellKit::Md5Hex(name)).c_str());
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FakeMainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TfrmMain";
    RegisterClassW(&windowClass);
    UniqueWindow hidden(CreateWindowExW(0, L"TfrmMain", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                        windowClass.hInstance, nullptr));
    REQUIRE(hidden);

    const TServerRun run(browser, "http://127.0.0.1:1/");
    REQUIRE(run.Started);
    const bool reported = WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            return reportedId != 0;
        },
        10000);
    CHECK(reported);
    CHECK(reportedId == GetProcessId(run.Started.Get()));
}
