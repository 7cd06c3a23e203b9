// Which items Favorites.ini gives, and what an item's value becomes.
#include <doctest/doctest.h>

#include "shell/FavoritesRules.h"

TEST_CASE("menu plan: separators, folders, separator, pages, in file order") {
    using enum TFavoriteKind;
    CHECK(PlanFavoritesMenu({}, {"Home", "Docs"}) ==
          std::vector<TFavoriteItem>{{Separator, "-"}, {Separator, "-"}, {Page, "Home"}, {Page, "Docs"}});
    CHECK(PlanFavoritesMenu({"www", "-", "data"}, {"-"}) ==
          std::vector<TFavoriteItem>{{Separator, "-"},
                                     {Folder, "www"},
                                     {Separator, "-"},
                                     {Folder, "data"},
                                     {Separator, "-"},
                                     {Separator, "-"}});
}

TEST_CASE("placeholders in any case, every occurrence, values trimmed") {
    CHECK(ExpandFolderValue(" \t{appdir}\\www  ", "C:\\Site") == "C:\\Site\\www");
    CHECK(ExpandFolderValue("{AppDir}\\a;{APPDIR}\\b", "D:\\Ω") == "D:\\Ω\\a;D:\\Ω\\b");
    CHECK(ExpandFolderValue("data\\{LOCALHOST:PORT}", "C:\\Site") == "data\\{LOCALHOST:PORT}");
    CHECK(ExpandPageValue("  http://{localhost:port}/docs/ ", "127.0.0.1:8123") == "http://127.0.0.1:8123/docs/");
    CHECK(ExpandPageValue("http://{LocalHost:Port}/?b={LOCALHOST:PORT}", "h:1") == "http://h:1/?b=h:1");
    CHECK(ExpandPageValue("", "h:1").empty());
    CHECK(FavoriteKey("  Docs \t") == "Docs");
}

TEST_CASE("host and port from a home address") {
    CHECK(HostAndPortOf("http://127.0.0.1:8123") == "127.0.0.1:8123");
    CHECK(HostAndPortOf("http:/").empty());
}
