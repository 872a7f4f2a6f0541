#include "menu/Placement.h"

namespace halvex {

MenuPlacement PlaceMenu(TaskbarPlace taskbar, const RECT& p, int width, int height) noexcept
{
    const int t = taskbar.thickness;
    switch (taskbar.edge) {
    case TaskbarEdge::Top:
        return {true, p.left, p.top + t, false};
    case TaskbarEdge::Bottom:
        return {true, p.left, p.top + (p.bottom - p.top) - height - t, false};
    case TaskbarEdge::Left:
        return {true, p.left + t, p.top, false};
    case TaskbarEdge::Right:
        return {true, p.left + (p.right - p.left) - width - t, p.top, true};
    case TaskbarEdge::None:
    default:
        return {};
    }
}

} // namespace halvex
