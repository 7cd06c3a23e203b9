// Placement and value rules of our small dialogs, without windows. Halves
// are taken with truncating division, as the fixed layouts were drawn.
#pragma once
#include <string_view>

struct TArea {
    int Left, Top, Width, Height;
};

struct TPlace {
    int Left, Top;
};

// Start of a span of the given size centred on outer (outerStart, outerSize).
int CenteredStart(int outerStart, int outerSize, int size);
// Top-left corner of a width x height window centred on area.
TPlace CenteredIn(const TArea& area, int width, int height);
// The place moved as little as needed for the window to lie inside area;
// a window larger than area keeps its top-left corner (caption) inside.
TPlace KeptInside(TPlace place, int width, int height, const TArea& area);

// A spin field's value: its text as a decimal integer, blanks around it
// allowed; the minimum when the text is no such number.
int SpinValueOf(std::string_view text, int minValue);
int ClampToRange(int value, int minValue, int maxValue);
