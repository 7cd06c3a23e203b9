#include <doctest/doctest.h>

#include "server/ServerText.h"
#include "util/Errors.h"

TEST_CASE("tokens are replaced in table order, every occurrence, whatever their case") {
    const TokenTable tokens = HttpdConfTokens("C:\\Data\\work", "C:\\site\\bin", "127.0.0.1", 8080,
                                              "C:\\site\\www");
    const std::string conf = ReplaceTokens(
        "Listen $ip$:$Port$\nServerName $IP$:$PORT$\nDocumentRoot \"$DocRoot$\"\n"
        "PHPIniDir \"$PHPRC$\"\nLoadModule php \"$bindir$/php/php5apache2_2.dll\"\n$UNKNOWN$ $ $$\r\n",
        tokens);
    CHECK(conf ==
          "Listen 127.0.0.1:8080\nServerName 127.0.0.1:8080\nDocumentRoot \"C:/site/www\"\n"
          "PHPIniDir \"C:/Data/work\"\nLoadModule php \"C:/site/bin/php/php5apache2_2.dll\"\n"
          "$UNKNOWN$ $ $$\r\n");

    // A value that happens to spell a later token is replaced again: table order is the contract.
    CHECK(ReplaceTokens("$A$", {{"$A$", "$b$"}, {"$B$", "x"}}) == "x");
    CHECK(ReplaceTokens("$B$", {{"$A$", "y"}, {"$B$", "$a$"}}) == "$a$");
}

TEST_CASE("listen address: only exactly 127.0.0.1 stays on the loopback") {
    auto ipToken = [](const std::string& ip) { return HttpdConfTokens("", "", ip, 80, "")[2].second; };
    CHECK(ipToken("127.0.0.1") == "127.0.0.1");
    for (const char* other : {"all", "0.0.0.0", "localhost", "", " 127.0.0.1"})
        CHECK(ipToken(other) == "0.0.0.0");
}

TEST_CASE("switches and the title") {
    CHECK_FALSE(IsSwitchOn("0"));
    for (const char* on : {"1", "", " 0", "00", "no", "false"}) CHECK(IsSwitchOn(on));

    CHECK(TitleFromSetting("   ") == "Vadrome");
    CHECK(TitleFromSetting("") == "Vadrome");
    CHECK(TitleFromSetting("\t My Site \r\n\x01") == "My Site");
    CHECK(TitleFromSetting("Caf\xC3\xA9  Shop") == "Caf\xC3\xA9  Shop");
}

TEST_CASE("port setting: decimal 1 to 65535, anything else names the value") {
    CHECK(ParsePortSetting("80") == 80);
    CHECK(ParsePortSetting(" 8080 ") == 8080);
    CHECK(ParsePortSetting("65535") == 65535);
    for (const char* bad : {"", "abc", "80a", "0", "-1", "65536", "99999999999999999999", "8 0"})
        CHECK_THROWS_AS(ParsePortSetting(bad), Exception);
    CHECK_THROWS_WITH(ParsePortSetting("http"),
                      doctest::Contains("The port setting \"http\""));
}

TEST_CASE("integer setting: any int, the dialog clamps it later; else the value is named") {
    CHECK(ParseIntegerSetting("0") == 0);
    CHECK(ParseIntegerSetting(" 70000 ") == 70000);
    CHECK(ParseIntegerSetting("-5") == -5);
    CHECK(ParseIntegerSetting("+2147483647") == 2147483647);
    CHECK(ParseIntegerSetting("-2147483648") == -2147483647 - 1);
    for (const char* bad : {"", " ", "80a", "8 0", "0x50", "2147483648", "-2147483649", "1e3", "--1"})
        CHECK_THROWS_WITH_AS(ParseIntegerSetting(bad), ("'" + std::string(bad) + "' is not a valid integer value").c_str(),
                             Exception);
}

TEST_CASE("splash time: non-integers count as 0") {
    CHECK(ParseSplashSeconds("5") == 5);
    CHECK(ParseSplashSeconds("+3") == 3);
    CHECK(ParseSplashSeconds("-2") == -2);
    for (const char* bad : {"", "2.5", "five", "5s", "99999999999999999999"})
        CHECK(ParseSplashSeconds(bad) == 0);
}

TEST_CASE("Browser.ini placeholders, any letter case") {
    CHECK(ExpandBrowserPath("{BIN}\\chrome\\{bin}.exe", "C:\\app\\bin") ==
          "C:\\app\\bin\\chrome\\C:\\app\\bin.exe");
    CHECK(ExpandBrowserParameters("--app={URL} --dir=\"{Bin}\\p\"", "C:\\b", HomeAddress(8080)) ==
          "--app=http://127.0.0.1:8080 --dir=\"C:\\b\\p\"");
    // {bin} goes first, so a bin folder spelling {url} is replaced as well.
    CHECK(ExpandBrowserParameters("{bin}", "C:\\{url}", "U") == "C:\\U");
}

TEST_CASE("the servers get an ASCII form first, then one their code page holds, else none") {
    // A stand-in code page without Cyrillic: "Zo\xC3\xAB" (Zoë) fits, "\xD0\x9C" (М) does not.
    const auto fitsLatin = [](const std::string& form) { return form.find("\xD0") == std::string::npos; };
    const std::string ascii = "C:\\Users\\Zoe Test\\site", latin = "C:\\Users\\Zo\xC3\xAB Test\\site",
                      cyrillic = "C:\\Users\\Zo\xC3\xAB Test\\\xD0\x9C\xD0\xBE\xD0\xB9 1";
    const std::string shortAscii = "C:\\Users\\ZOTEST~1\\MOY1~1", shortLatin = "C:\\Users\\ZO\xC3\x8BTE~1";

    CHECK(ChooseServerPathForm(ascii, "C:\\Users\\ZOETES~1\\site", fitsLatin) == ascii);
    CHECK(ChooseServerPathForm(cyrillic, shortAscii, fitsLatin) == shortAscii);
    // Apache reads UTF-8 and PHP the code page: an ASCII short form beats a long one that only fits.
    CHECK(ChooseServerPathForm(latin, shortAscii, fitsLatin) == shortAscii);
    // No ASCII form (short names off, or a short name with code-page letters).
    CHECK(ChooseServerPathForm(latin, "", fitsLatin) == latin);
    CHECK(ChooseServerPathForm(cyrillic, shortLatin, fitsLatin) == shortLatin);
    CHECK(ChooseServerPathForm(cyrillic, "", fitsLatin).empty());
    CHECK(ChooseServerPathForm(cyrillic, cyrillic, fitsLatin).empty());
}

TEST_CASE("INI keys are set in their section, everything else stays byte for byte") {
    const std::string text =
        "# hand-made \xE9\r\n[client]\r\nport=1\r\n\r\n[MySQLd]\r\n  Port = 2\r\n;port=3\r\nkey_buffer=16M\r\n\r\n"
        "[other]\r\nx=1\r\n";
    SUBCASE("an existing key: its first line in the section, any case, spaces around the name") {
        CHECK(SetIniKey(text, "mysqld", "port", "3310") ==
              "# hand-made \xE9\r\n[client]\r\nport=1\r\n\r\n[MySQLd]\r\nport=3310\r\n;port=3\r\nkey_buffer=16M\r\n\r\n"
              "[other]\r\nx=1\r\n");
    }
    SUBCASE("a new key: after the section's last line, before the blank one") {
        CHECK(SetIniKey(text, "mysqld", "datadir", "\"C:/d\"") ==
              "# hand-made \xE9\r\n[client]\r\nport=1\r\n\r\n[MySQLd]\r\n  Port = 2\r\n;port=3\r\nkey_buffer=16M\r\n"
              "datadir=\"C:/d\"\r\n\r\n[other]\r\nx=1\r\n");
    }
    SUBCASE("a new section at the end, also after a last line without a line break") {
        CHECK(SetIniKey("", "mysqld", "port", "1") == "[mysqld]\r\nport=1\r\n");
        CHECK(SetIniKey("[a]\nb=1", "mysqld", "port", "1") == "[a]\nb=1\r\n[mysqld]\r\nport=1\r\n");
        CHECK(SetIniKey("[mysqld]\nb=1", "mysqld", "port", "1") == "[mysqld]\nb=1\r\nport=1\r\n");
        CHECK(SetIniKey("[mysqld]\nport=0", "mysqld", "port", "1") == "[mysqld]\nport=1");
    }
}
