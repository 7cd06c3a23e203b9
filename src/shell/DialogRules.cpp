#include "shell/DialogRules.h"

#include <algorithm>
#include <charconv>

#include "util/Text.h"

int CenteredStart(int outerStart, int outerSize, int size) { return outerStart + (outerSize - size) / 2; }

TPlace CenteredIn(const TArea& area, int width, int height) {
    return {CenteredStart(area.Left, area.Width, width), CenteredStart(area.Top, area.Height, height)};
}

TPlace KeptInside(TPlace place, int width, int height, const TArea& area) {
    const auto keep = [](int start, int size, int areaStart, int areaSize) {
        start = std::min(start, areaStart + areaSize - size);
        return std::max(start, areaStart);
    };
    return {keep(place.Left, width, area.Left, area.Width), keep(place.Top, height, area.Top, area.Height)};
}

int SpinValueOf(std::string_view text, int minValue) {
    const std::string trimmed = Trim(text);
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (first != last && *first == '+' && first + 1 != last && first[1] != '-') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return minValue;
    return value;
}

int ClampToRange(int value, int minValue, int maxValue) { return std::clamp(value, minValue, maxValue); }
