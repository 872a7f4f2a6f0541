#pragma once

// Where the menu window goes for a given taskbar: pure arithmetic, so that each edge can be checked
// without a taskbar.

#include "activation/Taskbar.h"

namespace halvex {

struct MenuPlacement {
    bool move = false;        // false: leave the window where it is (no taskbar was ever found)
    int left = 0;
    int top = 0;
    bool rightColumnOnLeft = false;  // a right taskbar: the right column moves to the window's left side
};

// The right column's left margin when it sits on the window's left side.
inline constexpr int RightColumnLeftMargin = 7;

// The menu beside the taskbar on the primary monitor (the taskbar itself may be elsewhere).
[[nodiscard]] MenuPlacement PlaceMenu(TaskbarPlace taskbar, const RECT& primaryMonitor, int width,
                                      int height) noexcept;

// The window's height for a favorites list of the given height: room for the list and 172 pixels
// of the rest of the column, but never less than the standard 523.
[[nodiscard]] constexpr int MenuHeightFor(int favoritesHeight) noexcept
{
    return favoritesHeight + 172 < 523 ? 523 : favoritesHeight + 172;
}

} // namespace halvex
