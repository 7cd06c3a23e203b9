// How a page's request for a new window becomes the pop-up's place: the
// control carries the request in its bounds, the pop-up reads it once.
#pragma once
#include "shell/DialogRules.h"

// A fresh pop-up's control sits here, 0 x 0, so that a page's request shows
// as a change of its bounds: the rule reads width + left - 4096 and
// height + top - 4096.
const int RequestOrigin = 4096;
const int DefaultPopupWidth = 800, DefaultPopupHeight = 600;

struct TBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TBox&) const = default;
};

// One side of the window a page asks for. A position moves that edge alone; a
// size puts the far edge that far from where our window placed the control
// (anchor), so the rule reads the same request whatever order it came in.
enum class TRequestSide { Left, Top, Width, Height };
TBox ApplyWindowRequest(TBox bounds, const TBox& anchor, TRequestSide side, int value);
// A place the control asks for through its own Left/Top/Width/Height, each
// the anchor with one edge moved: a moved left or top edge is a position, a
// moved right or bottom edge a size.
TBox ApplyPlaceRequest(TBox bounds, const TBox& anchor, const TBox& asked);

struct TPopupRequest {
    TBox bounds;  // the control's, after the page's requests
    bool menuBar = true;
    int toolBar = 1;
    bool addressBar = true, statusBar = true, resizable = true;
};

struct TPopupMetrics {
    int frameWidth, frameHeight;            // window minus client, with a sizing border
    int fixedFrameWidth, fixedFrameHeight;  // the same without one
    int coolBarHeight, statusBarHeight;     // each with what separates it from the page
    int screenWidth, screenHeight;
};

struct TPopupPlacement {
    int left, top, width, height;
    bool requested;  // the page asked for a place: the bars and the border below apply
    bool coolBar, statusBar, resizable;
};

// No position asked: 800 x 600, centred, as the window is. Otherwise the page
// gets a client area of the size it asked for below the bars it asked for.
// Only one of left and top asked: the other is centred, never left at 4096.
// A position without a size along an axis: 800 or 600 along that axis.
TPopupPlacement PlacePopup(const TPopupRequest& request, const TPopupMetrics& metrics);

// The placement cut to the area's size where it is larger, then moved as
// little as needed to lie inside it: a page's position from a monitor that is
// gone, or beyond every monitor, must not put the window out of reach.
TPopupPlacement KeptInsideArea(TPopupPlacement place, const TArea& area);
