#pragma once

// Where the Windows taskbar is. Both the menu's placement and the start button's placement of the
// task bands depend on it.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

enum class TaskbarEdge : int { None = 0, Top = 1, Bottom = 2, Left = 3, Right = 4 };

[[nodiscard]] constexpr bool IsHorizontal(TaskbarEdge edge) noexcept
{
    return edge == TaskbarEdge::Top || edge == TaskbarEdge::Bottom;
}

struct TaskbarPlace {
    TaskbarEdge edge = TaskbarEdge::None;
    int thickness = 0;
};

// The edge and thickness of a taskbar with screen rectangle r, given the virtual screen's origin
// (virtualLeft, virtualTop) and the primary screen's width. A taskbar away from the top is at the
// bottom; one away from the left is at the right; one touching the top-left corner that spans the
// width is at the top; anything else is at the left.
[[nodiscard]] TaskbarPlace ClassifyTaskbar(const RECT& r, int virtualLeft, int virtualTop, int screenWidth) noexcept;

// The taskbar's place now. When there is no taskbar (or it has no size), the thickness is 50 and the
// edge is the one found last time (None when none was ever found).
[[nodiscard]] TaskbarPlace GetTaskbarEdge() noexcept;

} // namespace halvex
