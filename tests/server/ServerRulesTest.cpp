#include <doctest/doctest.h>

#include "server/ServerRules.h"

TEST_CASE("error logs: the web server's from its configuration, the database server's from log-error") {
    const std::string root = "C:/site/bin/apache";
    CHECK(WebServerErrorLog("Listen 80\n", root) == root + "/logs/error.log");
    CHECK(WebServerErrorLog("ServerRoot \"D:/srv\"\r\n  errorlog  \"logs/my error.log\" \r\n", root) ==
          "D:/srv/logs/my error.log");
    CHECK(WebServerErrorLog("<VirtualHost *:80>\nErrorLog vhost.log\n</VirtualHost>\nErrorLog C:/w/a.log\n", root) ==
          "C:/w/a.log");
    CHECK(WebServerErrorLog("ErrorLog \"|bin/rotatelogs.exe logs/e 86400\"\n", root) ==
          "|bin/rotatelogs.exe logs/e 86400");

    CHECK(DatabaseErrorLog("", "C:/site/data", "Desk") == "C:/site/data/Desk.err");
    CHECK(DatabaseErrorLog("\"mysql_error\"", "C:/site/data/", "Desk") == "C:/site/data/mysql_error.err");
    CHECK(DatabaseErrorLog("D:\\logs.d\\db", "C:/site/data", "Desk") == "D:\\logs.d\\db.err");
    CHECK(DatabaseErrorLog("logs/db.log", "C:/site/data", "Desk") == "C:/site/data/logs/db.log");

    CHECK(ExitCodeText(1) == "1");
    CHECK(ExitCodeText(0xC0000135UL) == "0xC0000135");
}
