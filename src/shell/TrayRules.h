// Rules of the notification-area icon that need no window: the click guard
// on the tick count and the cut of an over-long tip.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A second click within the double-click time and this much more is taken
// as the rest of a double click.
inline constexpr std::uint32_t ClickGuardExtra = 55;

struct TClickDecision {
    bool Run;                     // the click's handler runs
    std::uint32_t NextClickTick;  // the guard's new next-click tick
};

// At or past the next-click tick the handler runs and clicks are guarded
// until now + double-click time + 55 ms; a guard that would pass the top of
// the counter stops there, so it never wraps to a small value.
TClickDecision GuardClick(std::uint32_t now, std::uint32_t nextClickTick, std::uint32_t doubleClickTime);

// The tick counter has wrapped since startTick was taken (every 49.7 days).
bool TickWrapped(std::uint32_t now, std::uint32_t startTick);

// The tip field's room in UTF-16 units, terminating zero included.
inline constexpr std::size_t TrayTipCapacity = 128;

// The tip for a UTF-8 title. A title that fits is kept. A longer one is cut
// between two characters and ends in "…" (one unit), the whole within
// capacity - 1 units: the cut never splits a surrogate pair, never parts a
// letter from the combining marks, variation selectors or skin-tone
// modifiers that follow it, never ends on a zero-width joiner, and drops
// blanks left before the ellipsis. Bytes that are not UTF-8 become U+FFFD,
// so the result is always valid UTF-8.
std::string FitTrayTip(std::string_view title, std::size_t capacity = TrayTipCapacity);
