#include <doctest/doctest.h>

#include "customize/SplashRules.h"

TEST_CASE("the splash is centred; a larger image overhangs both edges alike") {
    const TSplashBounds small = CentredSplashBounds(424, 222, 1280, 1024);
    CHECK(small.Left == 428);
    CHECK(small.Top == 401);
    CHECK(small.Width == 424);
    CHECK(small.Height == 222);
    const TSplashBounds large = CentredSplashBounds(1401, 1100, 1280, 1024);
    CHECK(large.Left == -60);  // -60.5 truncated toward zero
    CHECK(large.Top == -38);
    CHECK(large.Left + large.Width - 1280 - -large.Left <= 1);
    const TSplashBounds empty = CentredSplashBounds(0, 0, 1280, 1024);
    CHECK(empty.Left == 640);
}

