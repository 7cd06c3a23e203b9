// The tray icon's click guard and tip cut.
#include <doctest/doctest.h>

#include <cstdint>
#include <string>

#include "shell/TrayRules.h"

namespace {

constexpr std::uint32_t DoubleClickTime = 500;
constexpr std::uint32_t Top = 0xFFFFFFFFu;

// UTF-16 units of valid UTF-8: four-byte sequences take two.
size_t Utf16Length(const std::string& text) {
    size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++units;
        if ((c & 0xF8) == 0xF0) ++units;
    }
    return units;
}

std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

const std::string Ellipsis = "\xE2\x80\xA6";

}  // namespace

TEST_CASE("click guard: a double click runs the handler once, a later click again") {
    const TClickDecision first = GuardClick(10'000, 0, DoubleClickTime);
    CHECK(first.Run);
    CHECK(first.NextClickTick == 10'000 + DoubleClickTime + ClickGuardExtra);

    const TClickDecision second = GuardClick(10'300, first.NextClickTick, DoubleClickTime);
    CHECK_FALSE(second.Run);
    CHECK(second.NextClickTick == first.NextClickTick);
    CHECK_FALSE(GuardClick(first.NextClickTick - 1, first.NextClickTick, DoubleClickTime).Run);

    const TClickDecision later = GuardClick(first.NextClickTick, first.NextClickTick, DoubleClickTime);
    CHECK(later.Run);
    CHECK(later.NextClickTick == first.NextClickTick + DoubleClickTime + ClickGuardExtra);
}

TEST_CASE("click guard near the top of the tick counter") {
    SUBCASE("a guard that would wrap stops at the top, so the double click still runs once") {
        const TClickDecision first = GuardClick(Top - 100, 0, DoubleClickTime);
        CHECK(first.Run);
        CHECK(first.NextClickTick == Top);
        CHECK_FALSE(GuardClick(Top - 50, first.NextClickTick, DoubleClickTime).Run);
    }
    SUBCASE("after the counter wrapped, the wrap rule frees the guard") {
        const std::uint32_t startTick = 3'000'000'000u;
        const std::uint32_t next = GuardClick(Top - 10, 0, DoubleClickTime).NextClickTick;
        const std::uint32_t now = 20;  // wrapped
        CHECK(TickWrapped(now, startTick));
        CHECK_FALSE(GuardClick(now, next, DoubleClickTime).Run);  // what the reset prevents
        CHECK(GuardClick(now, 0, DoubleClickTime).Run);
    }
    CHECK_FALSE(TickWrapped(5000, 5000));
    CHECK_FALSE(TickWrapped(Top, 0));
}

TEST_CASE("tip: a title that fits is kept") {
    CHECK(FitTrayTip("") == "");
    CHECK(FitTrayTip("Vadrome") == "Vadrome");
    const std::string longest = Repeat("a", 127);
    CHECK(FitTrayTip(longest) == longest);
    const std::string wide = Repeat("\xF0\x9F\x98\x80", 63) + "a";  // 63 pairs and one unit: 127
    CHECK(FitTrayTip(wide) == wide);
}

TEST_CASE("tip: a longer title is cut visibly within the field") {
    SUBCASE("plain text") {
        const std::string tip = FitTrayTip(Repeat("a", 128));
        CHECK(tip == Repeat("a", 126) + Ellipsis);
        CHECK(Utf16Length(tip) == 127);
    }
    SUBCASE("never half a surrogate pair") {
        // "a" and 62 pairs take 125 units; the 63rd pair would need two of
        // the one unit left beside the ellipsis, so it goes whole.
        const std::string tip = FitTrayTip("a" + Repeat("\xF0\x9F\x98\x80", 70));
        CHECK(tip == "a" + Repeat("\xF0\x9F\x98\x80", 62) + Ellipsis);
        CHECK(Utf16Length(tip) == 126);
    }
    SUBCASE("a letter keeps its combining marks or goes with them") {
        const std::string accented = "e\xCC\x81";  // e + combining acute: two units
        const std::string tip = FitTrayTip(Repeat("b", 125) + accented + Repeat("c", 10));
        CHECK(tip == Repeat("b", 125) + Ellipsis);
    }
    SUBCASE("no joiner left dangling at the end") {
        const std::string joined = "\xE2\x80\x8D";  // zero-width joiner
        const std::string tip = FitTrayTip(Repeat("b", 124) + "x" + joined + "y" + Repeat("c", 10));
        CHECK(tip == Repeat("b", 124) + Ellipsis);
    }
    SUBCASE("blanks before the ellipsis go") {
        CHECK(FitTrayTip(Repeat("b", 120) + "      " + Repeat("c", 10)) == Repeat("b", 120) + Ellipsis);
    }
    SUBCASE("bytes that are not UTF-8 become U+FFFD, one unit each") {
        const std::string tip = FitTrayTip("\xC3(" + Repeat("a", 200));
        CHECK(tip.rfind("\xEF\xBF\xBD(", 0) == 0);
        CHECK(Utf16Length(tip) == 127);
    }
}
