#include <doctest/doctest.h>

#include "StandinText.h"

using namespace standin;

TEST_CASE("httpd.conf: the first Listen and DocumentRoot, in the forms generated files use") {
    const auto settings = ParseHttpdConf(
        "# Listen 1.2.3.4:99\n"
        "ServerRoot \"C:/site/bin/Apache\"\r\n"
        "  listen   127.0.0.1:8080\r\n"
        "Listen 127.0.0.1:9090\n"
        "DocumentRoot \"C:/site/www\"\n"
        "DocumentRoot C:/other\n");
    REQUIRE(settings.Listen);
    CHECK(settings.Listen->Host == "127.0.0.1");
    CHECK(settings.Listen->Port == 8080);
    CHECK(settings.DocumentRoot == "C:/site/www");

    const auto portOnly = ParseHttpdConf("Listen 81\nDocumentRoot D:/www\n");
    REQUIRE(portOnly.Listen);
    CHECK(portOnly.Listen->Host == "0.0.0.0");
    CHECK(portOnly.Listen->Port == 81);
    CHECK(portOnly.DocumentRoot == "D:/www");
}

TEST_CASE("httpd.conf: the paths the stand-in checks, relative ones in the server root") {
    const auto settings = ParseHttpdConf(
        "ServerRoot \"C:/site/bin/Apache\"\nErrorLog logs/error.log\nErrorLog \"C:/other.log\"\n"
        "PHPIniDir \"C:/Data/work dir\"\n");
    CHECK(settings.ServerRoot == "C:/site/bin/Apache");
    CHECK(settings.ErrorLog == "logs/error.log");
    CHECK(settings.PhpIniDir == "C:/Data/work dir");
    CHECK(ServerRelative(settings.ServerRoot, settings.ErrorLog) == "C:/site/bin/Apache/logs/error.log");
    for (const char* absolute : {"C:/w/error.log", "/w/error.log", "\\\\host\\share\\error.log"})
        CHECK(ServerRelative("C:/root", absolute) == absolute);
    CHECK(ServerRelative("", "error.log") == "error.log");
}

TEST_CASE("Listen values the stand-in cannot serve are refused, not misread") {
    CHECK_FALSE(ParseListen("-1"));
    CHECK_FALSE(ParseListen("127.0.0.1:-1"));  // a port of -1 reaches the file when no port was free
    CHECK_FALSE(ParseListen("65536"));
    CHECK_FALSE(ParseListen("[::]:80"));
    CHECK_FALSE(ParseListen("127.0.0.1:"));
    CHECK(ParseListen("0.0.0.0:65535")->Port == 65535);
}

TEST_CASE("request targets stay inside the document root") {
    CHECK(TargetToRelativePath("/") == "");
    CHECK(TargetToRelativePath("/a/b.html?x=1#top") == "a/b.html");
    CHECK(TargetToRelativePath("/my%20page.html") == "my page.html");
    CHECK(TargetToRelativePath("/dots..name/x") == "dots..name/x");
    CHECK_FALSE(TargetToRelativePath("/../secret.txt"));
    CHECK_FALSE(TargetToRelativePath("/a/%2e%2e/%2e%2e/secret.txt"));
    CHECK_FALSE(TargetToRelativePath("/a/..%5c..%5csecret.txt"));
    CHECK_FALSE(TargetToRelativePath("/C:/windows/win.ini"));
    CHECK_FALSE(TargetToRelativePath("/bad%2"));
    CHECK_FALSE(TargetToRelativePath("/bad%zz"));
    CHECK_FALSE(TargetToRelativePath("http://host/"));
}

TEST_CASE("content types by extension, whatever its case") {
    CHECK(ContentTypeFor("a/INDEX.HTM") == "text/html");
    CHECK(ContentTypeFor("index.php") == "text/html");
    CHECK(ContentTypeFor("site.css") == "text/css");
    CHECK(ContentTypeFor("app.js") == "application/javascript");
    CHECK(ContentTypeFor("logo.Png") == "image/png");
    CHECK(ContentTypeFor("photo.jpg") == "image/jpeg");
    CHECK(ContentTypeFor("dir.v2/README") == "application/octet-stream");
}

TEST_CASE("http addresses: host, port and path") {
    const auto url = ParseHttpUrl("HTTP://127.0.0.1:8080/a/b?c");
    REQUIRE(url);
    CHECK(url->Host == "127.0.0.1");
    CHECK(url->Port == 8080);
    CHECK(url->Path == "/a/b?c");
    CHECK(ParseHttpUrl("http://localhost")->Path == "/");
    CHECK(ParseHttpUrl("http://localhost")->Port == 80);
    CHECK_FALSE(ParseHttpUrl("https://x/"));
    CHECK_FALSE(ParseHttpUrl("http://:80/"));
    CHECK_FALSE(ParseHttpUrl("http://127.0.0.1:-1/"));
}
