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

TEST_CASE("the pop-up's place") {
    using enum TRequestSide;
    SUBCASE("no position: 800 x 600 centred, bars as they are") {
        for (const TBox& bounds : {Fresh, Asked({{Width, 400}, {Height, 300}})}) {
            const TPopupPlacement place = PlacePopup(Request(bounds, false), Metrics);
            CHECK_FALSE(place.requested);
            CHECK(place.width == 800);
            CHECK(place.height == 600);
            CHECK(place.left == 240);
            CHECK(place.top == 212);
            CHECK(place.resizable);
        }
    }
    SUBCASE("position and size without bars: the client area asked for") {
        const TPopupPlacement place =
            PlacePopup(Request(Asked({{Left, 100}, {Top, 50}, {Width, 400}, {Height, 300}}), false), Metrics);
        CHECK(place.requested);
        CHECK_FALSE(place.coolBar);
        CHECK_FALSE(place.statusBar);
        CHECK(place.left == 100);
        CHECK(place.top == 50);
        CHECK(place.width == 16 + 400);
        CHECK(place.height == 39 + 300);
    }
    SUBCASE("the cool bar needs menu bar, tool bar and address bar; the status bar its own") {
        TPopupRequest request = Request(Asked({{Left, 0}, {Top, 0}, {Width, 400}, {Height, 300}}));
        TPopupPlacement place = PlacePopup(request, Metrics);
        CHECK(place.coolBar);
        CHECK(place.statusBar);
        CHECK(place.left == 0);
        CHECK(place.height == 56 + 39 + 300 + 21);
        const auto checkWithout = [&](TPopupRequest one) {
            place = PlacePopup(one, Metrics);
            CHECK_FALSE(place.coolBar);
            CHECK(place.statusBar);
            CHECK(place.height == 39 + 300 + 21);
        };
        for (bool TPopupRequest::*bar : {&TPopupRequest::menuBar, &TPopupRequest::addressBar}) {
            TPopupRequest one = request;
            one.*bar = false;
            checkWithout(one);
        }
        TPopupRequest noToolBar = request;
        noToolBar.toolBar = 0;
        checkWithout(noToolBar);
        request.statusBar = false;
        CHECK(PlacePopup(request, Metrics).height == 56 + 39 + 300);
    }
    SUBCASE("one coordinate: the other is centred, never left off screen") {
        TPopupPlacement place = PlacePopup(Request(Asked({{Left, 100}, {Width, 400}, {Height, 300}}), false), Metrics);
        CHECK(place.left == 100);
        CHECK(place.top == (1024 - (39 + 300)) / 2);
        place = PlacePopup(Request(Asked({{Top, 70}, {Width, 400}, {Height, 300}}), false), Metrics);
        CHECK(place.left == (1280 - (16 + 400)) / 2);
        CHECK(place.top == 70);
    }
    SUBCASE("a position without a size keeps the default size along that axis") {
        TPopupPlacement place = PlacePopup(Request(Asked({{Left, 10}, {Top, 20}}), false), Metrics);
        CHECK(place.width == 800);
        CHECK(place.height == 600);
        place = PlacePopup(Request(Asked({{Left, 10}, {Top, 20}, {Height, 300}}), false), Metrics);
        CHECK(place.width == 800);
        CHECK(place.height == 39 + 300);
    }
    SUBCASE("a fixed border when the page asks for no resizing") {
        TPopupRequest request = Request(Asked({{Left, 100}, {Top, 50}, {Width, 400}, {Height, 300}}), false);
        request.resizable = false;
        const TPopupPlacement place = PlacePopup(request, Metrics);
        CHECK_FALSE(place.resizable);
        CHECK(place.width == 8 + 400);
        CHECK(place.height == 31 + 300);
    }
}
