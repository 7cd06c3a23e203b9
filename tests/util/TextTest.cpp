#include <doctest/doctest.h>

#include <string>

#include "util/Md5.h"
#include "util/Text.h"

TEST_CASE("MD5 gives the published digests of the standard's test suite in lower case") {
    CHECK(Md5Hex("") == "d41d8cd98f00b204e9800998ecf8427e");
    CHECK(Md5Hex("a") == "0cc175b9c0f1b6a831c399e269772661");
    CHECK(Md5Hex("abc") == "900150983cd24fb0d6963f7d28e17f72");
    CHECK(Md5Hex("message digest") == "f96b697d7cb7938d525a2f31aaf161d0");
    CHECK(Md5Hex("abcdefghijklmnopqrstuvwxyz") == "c3fcd3d76192e4007dfb496cca67e13b");
    CHECK(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") ==
          "d174ab98d277d9f5a5611c2c9f419d9f");
    CHECK(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890") ==
          "57edf4a22be3c955ac49da2e2107b67a");
}

TEST_CASE("MD5 pads correctly around the block boundaries and hashes raw bytes") {
    // 55, 56 and 64 bytes put the length field in the first block, a second one, and after a full block.
    CHECK(Md5Hex(std::string(55, 'a')) == "ef1772b6dff9a122358552954ad0df65");
    CHECK(Md5Hex(std::string(56, 'a')) == "3b0c8ac703f828b04c6c197006d17218");
    CHECK(Md5Hex(std::string(64, 'a')) == "014842d480b571495a4a0363793f7367");
    CHECK(Md5Hex(std::string("\0\xff", 2)) == "d07d34efac6328007ad67c7e0a985e00");
}

TEST_CASE("ReplaceText replaces every occurrence, case-sensitive or not") {
    CHECK(ReplaceText("Listen $PORT$ and $PORT$", "$PORT$", "8080", false) == "Listen 8080 and 8080");
    CHECK(ReplaceText("Listen $port$ and $Port$", "$PORT$", "8080", false) == "Listen $port$ and $Port$");
    CHECK(ReplaceText("Listen $port$ and $Port$", "$PORT$", "8080", true) == "Listen 8080 and 8080");
    CHECK(ReplaceText("ab", "", "x", true) == "ab");
    CHECK(ReplaceText("", "a", "x", true) == "");
}

TEST_CASE("ReplaceText does not rescan what it put in and keeps non-ASCII bytes") {
    CHECK(ReplaceText("aaa", "a", "aa", false) == "aaaaaa");
    CHECK(ReplaceText("xAx", "a", "Ab", true) == "xAbx");
    CHECK(ReplaceText("Ünïcode $DIR$ Ü", "$dir$", "C:\\Straße", true) == "Ünïcode C:\\Straße Ü");
    // Case folding is ASCII only: no multi-byte letter changes its bytes.
    CHECK(ReplaceText("ÄÄ", "ä", "x", true) == "ÄÄ");
}

TEST_CASE("Trim removes spaces and control characters at the ends only") {
    CHECK(Trim(" \t\r\n a b \x01") == "a b");
    CHECK(TrimRight("  a ") == "  a");
    CHECK(Trim("   ") == "");
    CHECK(Trim("\xc3\xa9") == "\xc3\xa9");
}
