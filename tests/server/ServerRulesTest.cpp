#include <doctest/doctest.h>

#include "server/ServerRules.h"

TEST_CASE("the web server's error log as its configuration names it, and exit codes as people look them up") {
    CHECK(WebServerErrorLog("ServerRoot \"D:/srv\"\n<VirtualHost *:80>\nErrorLog v.log\n</VirtualHost>\n"
                            "  errorlog  \"logs/my error.log\" \r\n", "C:/bin") == "D:/srv/logs/my error.log");
    CHECK(ExitCodeText(0xC0000135UL) == "0xC0000135");
}
