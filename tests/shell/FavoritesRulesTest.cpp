// What an item's value becomes; the menu itself is read from real files in
// FavoritesTest.
#include <doctest/doctest.h>

#include "shell/FavoritesRules.h"

TEST_CASE("placeholders in any case and every occurrence, values trimmed") {
    CHECK(ExpandFolderValue(" \t{AppDir}\\a;{APPDIR}\\b  ", "D:\\Ω") == "D:\\Ω\\a;D:\\Ω\\b");
    CHECK(ExpandFolderValue("data\\{LOCALHOST:PORT}", "C:\\Site") == "data\\{LOCALHOST:PORT}");
    CHECK(ExpandPageValue(" http://{LocalHost:Port}/?b={LOCALHOST:PORT} ", "h:1") == "http://h:1/?b=h:1");
    CHECK(HostAndPortOf("http://127.0.0.1:8123") == "127.0.0.1:8123");
    CHECK(HostAndPortOf("http:/").empty());
}
