#include <doctest/doctest.h>

#include "launcher/CommandLine.h"

TEST_CASE("words are split on characters 1 to 32 and quotes are dropped") {
    TCommandLine args("prog.exe  rename\t\"C:\\Program Files\\a b.exe\"\x01x\"y z\"w");
    REQUIRE(args.Count() == 3);
    CHECK(args.Arg(1) == "rename");
    CHECK(args.Arg(2) == "C:\\Program Files\\a b.exe");
    CHECK(args.Arg(3) == "xy zw");
    CHECK(args.Arg(0).empty());
    CHECK(args.Arg(4).empty());
}

TEST_CASE("the program name follows the same rules") {
    CHECK(TCommandLine("\"C:\\my dir\\v.exe\" a").Count() == 1);
    CHECK(TCommandLine("\"C:\\my dir\\v.exe\"").Count() == 0);
    CHECK(TCommandLine("").Count() == 0);
}

TEST_CASE("an empty quoted word where a word begins is skipped") {
    TCommandLine args("v.exe \"\" a \"\"\"\" b");
    REQUIRE(args.Count() == 2);
    CHECK(args.Arg(1) == "a");
    CHECK(args.Arg(2) == "b");
}

TEST_CASE("the count stops at the first empty word") {
    // A lone quote opens a stretch that holds nothing: the word is empty.
    CHECK(TCommandLine("v.exe a \"").Count() == 1);
    CHECK(TCommandLine("v.exe a \" \" b").Count() == 3);
}

TEST_CASE("mode names are lower-cased in ASCII only") {
    CHECK(TCommandLine("v.exe RENAME a b").ModeName() == "rename");
    CHECK(TCommandLine("v.exe /SeTuP").ModeName() == "/setup");
    // Non-ASCII letters keep their bytes, so "RENAMÉ" never matches a mode.
    CHECK(TCommandLine("v.exe REN\xC3\x89").ModeName() == "ren\xC3\x89");
    CHECK(LowerAscii("ABC-xyz_[Z]") == "abc-xyz_[z]");
}
