// A page's window request through the control's bounds, and the pop-up's place.
#include <doctest/doctest.h>

#include <initializer_list>
#include <utility>

#include "shell/PopupRules.h"

namespace {

const TBox Fresh{RequestOrigin, RequestOrigin, RequestOrigin, RequestOrigin};
const TPopupMetrics Metrics{16, 39, 8, 31, 56, 21, 1280, 1024};

TBox Asked(std::initializer_list<std::pair<TRequestSide, int>> sides) {
    TBox bounds = Fresh;
    for (auto [side, value] : sides) bounds = ApplyWindowRequest(bounds, Fresh, side, value);
    return bounds;
}

TPopupRequest Request(const TBox& bounds, bool bars = true) {
    TPopupRequest request;
    request.bounds = bounds;
    request.menuBar = request.addressBar = request.statusBar = bars;
    request.toolBar = bars ? 1 : 0;
    return request;
}

}  // namespace

TEST_CASE("a request reads the same whatever order its sides came in") {
    using enum TRequestSide;
    const TBox sizeFirst = Asked({{Width, 400}, {Height, 300}, {Left, 100}, {Top, 50}});
    const TBox placeFirst = Asked({{Left, 100}, {Top, 50}, {Width, 400}, {Height, 300}});
    CHECK(sizeFirst == placeFirst);
    CHECK(sizeFirst.left == 100);
    CHECK(sizeFirst.top == 50);
    CHECK((sizeFirst.right - sizeFirst.left) + sizeFirst.left - RequestOrigin == 400);
    CHECK((sizeFirst.bottom - sizeFirst.top) + sizeFirst.top - RequestOrigin == 300);

    // The control's own properties move one edge of where it was put.
    TBox bounds = Fresh;
    for (TBox asked : {TBox{100, RequestOrigin, RequestOrigin, RequestOrigin},
                       TBox{RequestOrigin, RequestOrigin, RequestOrigin + 400, RequestOrigin},
                       TBox{RequestOrigin, RequestOrigin, RequestOrigin, RequestOrigin + 300},
                       TBox{RequestOrigin, 50, RequestOrigin, RequestOrigin}})
        bounds = ApplyPlaceRequest(bounds, Fresh, asked);
    CHECK(bounds == placeFirst);
    CHECK(ApplyPlaceRequest(Fresh, Fresh, {10, 20, 410, 320}) ==
          TBox{10, 20, RequestOrigin + 400, RequestOrigin + 300});
    CHECK(ApplyPlaceRequest(Fresh, Fresh, Fresh) == Fresh);
}

// The cases a page can ask for are played through the real pop-up in
// BrowserFormTest; here what only the arithmetic shows.
TEST_CASE("a position without a size keeps the default size along that axis") {
    using enum TRequestSide;
    TPopupPlacement place = PlacePopup(Request(Asked({{Left, 10}, {Top, 20}}), false), Metrics);
    CHECK(place.requested);
    CHECK(place.width == 800);
    CHECK(place.height == 600);
    place = PlacePopup(Request(Asked({{Left, 10}, {Top, 20}, {Height, 300}})), Metrics);
    CHECK(place.width == 800);
    CHECK(place.height == 56 + 39 + 300 + 21);
}
