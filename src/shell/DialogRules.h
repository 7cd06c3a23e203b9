// Placement and value rules of our small dialogs, without windows. Halves
// are taken with truncating division, as the fixed layouts were drawn.
#pragma once
#include <algorithm>
#include <string_view>

// Style bits of a control in the table.
enum TControlStyle : unsigned {
    csDefault = 1u << 0,    // the default button
    csCancel = 1u << 1,     // the button Esc presses
    csDisabled = 1u << 2,
    csChecked = 1u << 3,
    csCentered = 1u << 4,   // text centred
    csNoTabStop = 1u << 5,  // in the tab order, but Tab passes it by
};

inline constexpr int NoTabOrder = -1;

struct TArea {
    int Left, Top, Width, Height;
};

// The tables are drawn for Windows' 21-pixel combo and spin boxes; GTK's are
// taller, its spin buttons wider and its check boxes larger.
struct TFieldMetrics {
    int FieldHeight = 21;
    int SpinMinWidth = 0;
    int CheckBoxSize = 15;

    // A combo or spin box on a row drawn for 21 pixels, and a label beside
    // it: a taller field grows about the row's middle, its label with it.
    TArea Field(int left, int top, int width) const {
        return {left, top - (FieldHeight - DesignFieldHeight + 1) / 2, width, FieldHeight};
    }
    TArea Spin(int left, int top, int width) const { return Field(left, top, std::max(width, SpinMinWidth)); }
    TArea LabelBeside(int left, int top) const { return {left, top - (FieldHeight - DesignFieldHeight) / 2, 0, 0}; }

    static constexpr int DesignFieldHeight = 21;
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
