// The stand-in servers behave as the runner relies on: two web-server
// processes while it serves, a parent that ends when it cannot listen, and a
// database server on the port it is told.
#include <doctest/doctest.h>

#include "StandinNet.h"
#include "util/Utf.h"

using namespace standin;

namespace {

const std::string ApacheExe = HostPath(STANDIN_APACHE_EXE);
const std::string MysqldExe = HostPath(STANDIN_MYSQLD_EXE);

std::string SlashForm(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

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
        WriteWholeFile(Conf, "ServerRoot \"C:/x\"\r\nListen " + listen + "\r\nDocumentRoot \"" + SlashForm(Root) +
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
    REQUIRE(server.Started);
    REQUIRE(WaitForSingleObject(server.Started.Get(), 5000) == WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(server.Started.Get(), &code);
    CHECK(code != 0);
    CHECK(ProcessesRunning(ApacheExe).empty());
}

TEST_CASE("web server stand-in: a missing configuration file is a failure too") {
    const TServerRun server(ApacheExe, "-f \"C:\\no\\such\\httpd.conf\"");
    REQUIRE(WaitForSingleObject(server.Started.Get(), 5000) == WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(server.Started.Get(), &code);
    CHECK(code != 0);
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
