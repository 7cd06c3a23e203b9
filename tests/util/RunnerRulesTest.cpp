// The rules both runners share for reading their settings and their own data.
#include <doctest/doctest.h>

#include "util/EmbeddedData.h"
#include "util/Errors.h"
#include "util/IniText.h"

TEST_CASE("INI text reads as the Windows profile service reads a file") {
    const std::string text =
        "; comment\r\n[Other]\r\ntitle=wrong section\r\n[ ini ]\r\n  Title = \"My Site\" \r\nport=8080\r\n"
        "TITLE=second\r\nempty=\r\nquoted='x'\r\nhalf=\"open\r\n[INI]\r\nlater=again\n";
    CHECK(ReadIniText(text, "INI", "title") == "My Site");  // case, blanks, quotes; first match wins
    CHECK(ReadIniText(text, "ini", "PORT") == "8080");
    CHECK(ReadIniText(text, "INI", "quoted") == "x");
    CHECK(ReadIniText(text, "INI", "half") == "\"open");
    CHECK(ReadIniText(text, "INI", "empty").empty());
    CHECK(ReadIniText(text, "INI", "missing").empty());
    CHECK(ReadIniText(text, "INI", "later") == "again");  // a section named twice is read whole
    CHECK(ReadIniText(text, "Other", "port").empty());
    CHECK(ReadIniTextSection(text, "INI") ==
          std::vector<std::string>{"Title", "port", "TITLE", "empty", "quoted", "half", "later"});
}

TEST_CASE("embedded data: what is appended is read back, a damaged payload is refused") {
    const TEmbeddedData data = {{"RES_CONFIG_INI", "[INI]\r\ntitle=Vadrome\r\n"}, {"RES_SPLASH", std::string("\x89PNG\0\1", 6)}};
    const std::string image = "\x7f" "ELF image bytes";
    const std::string file = image + BuildEmbeddedPayload(data);
    const auto trailer = ParseEmbeddedTrailer(file);
    REQUIRE(trailer);
    CHECK(trailer->Count == 2);
    const size_t start = file.size() - EmbeddedTrailerSize - trailer->EntriesLength;
    CHECK(file.substr(0, start) == image);  // where a stamp cuts the file
    CHECK(ParseEmbeddedEntries(std::string_view(file).substr(start, trailer->EntriesLength), *trailer) == data);

    CHECK_FALSE(ParseEmbeddedTrailer(image));
    TEmbeddedTrailer lying = *trailer;
    lying.Count = 3;
    CHECK_THROWS_AS(ParseEmbeddedEntries(std::string_view(file).substr(start, trailer->EntriesLength), lying), Exception);
    const std::string cut = file.substr(start, trailer->EntriesLength - 1);
    CHECK_THROWS_AS(ParseEmbeddedEntries(cut, {trailer->Count, cut.size()}), Exception);
}
