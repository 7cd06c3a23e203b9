// Placement and spin-field rules of the small dialogs.
#include <doctest/doctest.h>

#include "shell/DialogRules.h"

TEST_CASE("centring truncates toward zero") {
    CHECK(CenteredStart(0, 295, 100) == 97);
    CHECK(CenteredStart(0, 295, 400) == -52);  // not -53: truncation, not floor
    CHECK(CenteredStart(100, 800, 451) == 274);
    const TPlace place = CenteredIn({-1920, 40, 1920, 1080}, 451, 373);
    CHECK(place.Left == -1920 + 734);
    CHECK(place.Top == 40 + 353);
}

TEST_CASE("a window kept inside the screen's work area") {
    const TArea work{0, 0, 1280, 994};
    SUBCASE("inside: unchanged") {
        const TPlace place = KeptInside({300, 200}, 451, 373, work);
        CHECK(place.Left == 300);
        CHECK(place.Top == 200);
    }
    SUBCASE("an owner half off the screen: pulled back by the overhang") {
        const TPlace place = KeptInside({1100, -80}, 451, 373, work);
        CHECK(place.Left == 1280 - 451);
        CHECK(place.Top == 0);
    }
    SUBCASE("larger than the area: the caption corner stays inside") {
        const TPlace place = KeptInside({-50, 700}, 1400, 1200, work);
        CHECK(place.Left == 0);
        CHECK(place.Top == 0);
    }
}

TEST_CASE("spin field value: the number in the text, else the minimum") {
    CHECK(SpinValueOf("8080", 1) == 8080);
    CHECK(SpinValueOf(" 70000 ", 1) == 70000);
    CHECK(SpinValueOf("0", 1) == 0);
    CHECK(SpinValueOf("-5", 1) == -5);
    CHECK(SpinValueOf("+7", 1) == 7);
    for (const char* text : {"", "  ", "80a", "abc", "+-3", "99999999999"}) {
        INFO(text);
        CHECK(SpinValueOf(text, 1) == 1);
    }
    CHECK(ClampToRange(0, 1, 65535) == 1);
    CHECK(ClampToRange(70000, 1, 65535) == 65535);
    CHECK(ClampToRange(443, 1, 65535) == 443);
}
