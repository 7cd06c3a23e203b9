#include "shell/PopupRules.h"

#include <algorithm>

TBox ApplyWindowRequest(TBox bounds, const TBox& anchor, TRequestSide side, int value) {
    switch (side) {
    case TRequestSide::Left: bounds.left = value; break;
    case TRequestSide::Top: bounds.top = value; break;
    case TRequestSide::Width: bounds.right = anchor.left + value; break;
    case TRequestSide::Height: bounds.bottom = anchor.top + value; break;
    }
    return bounds;
}

TBox ApplyPlaceRequest(TBox bounds, const TBox& anchor, const TBox& asked) {
    if (asked.left != anchor.left) bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Left, asked.left);
    if (asked.right != anchor.right)
        bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Width, asked.right - asked.left);
    if (asked.top != anchor.top) bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Top, asked.top);
    if (asked.bottom != anchor.bottom)
        bounds = ApplyWindowRequest(bounds, anchor, TRequestSide::Height, asked.bottom - asked.top);
    return bounds;
}

TPopupPlacement PlacePopup(const TPopupRequest& request, const TPopupMetrics& metrics) {
    const TBox& b = request.bounds;
    const bool leftAsked = b.left != RequestOrigin, topAsked = b.top != RequestOrigin;
    TPopupPlacement place{};
    place.resizable = true;
    if (!leftAsked && !topAsked) {
        place.width = DefaultPopupWidth;
        place.height = DefaultPopupHeight;
    } else {
        place.requested = true;
        place.coolBar = request.menuBar && request.toolBar != 0 && request.addressBar;
        place.statusBar = request.statusBar;
        place.resizable = request.resizable;
        const int frameWidth = place.resizable ? metrics.frameWidth : metrics.fixedFrameWidth;
        const int frameHeight = place.resizable ? metrics.frameHeight : metrics.fixedFrameHeight;
        const int clientWidth = (b.right - b.left) + b.left - RequestOrigin;
        const int clientHeight = (b.bottom - b.top) + b.top - RequestOrigin;
        place.width = clientWidth > 0 ? frameWidth + clientWidth : DefaultPopupWidth;
        place.height = clientHeight > 0 ? (place.coolBar ? metrics.coolBarHeight : 0) + frameHeight + clientHeight +
                                              (place.statusBar ? metrics.statusBarHeight : 0)
                                        : DefaultPopupHeight;
    }
    place.left = leftAsked ? b.left : (metrics.screenWidth - place.width) / 2;
    place.top = topAsked ? b.top : (metrics.screenHeight - place.height) / 2;
    return place;
}

TPopupPlacement KeptInsideArea(TPopupPlacement place, const TArea& area) {
    place.width = std::min(place.width, area.Width);
    place.height = std::min(place.height, area.Height);
    const TPlace kept = KeptInside({place.left, place.top}, place.width, place.height, area);
    place.left = kept.Left;
    place.top = kept.Top;
    return place;
}
