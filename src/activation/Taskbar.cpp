#include "activation/Taskbar.h"

namespace halvex {

namespace {

constexpr int FallbackThickness = 50;

// Written and read on the main thread only.
TaskbarEdge lastEdgeFound = TaskbarEdge::None;

} // namespace

TaskbarPlace ClassifyTaskbar(const RECT& r, int virtualLeft, int virtualTop, int screenWidth) noexcept
{
    if (r.top - virtualTop > 0)
        return {TaskbarEdge::Bottom, r.bottom - r.top};
    if (r.left - virtualLeft > 0)
        return {TaskbarEdge::Right, r.right - r.left};
    if (r.top == virtualTop && r.right == screenWidth)
        return {TaskbarEdge::Top, r.bottom - r.top};
    return {TaskbarEdge::Left, r.right - r.left};
}

TaskbarPlace GetTaskbarEdge() noexcept
{
    TaskbarPlace place;
    RECT r{};
    HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskbar && ::GetWindowRect(taskbar, &r))
        place = ClassifyTaskbar(r, ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                                ::GetSystemMetrics(SM_CXSCREEN));
    if (place.thickness == 0)
        return {lastEdgeFound, FallbackThickness};
    lastEdgeFound = place.edge;
    return place;
}

} // namespace halvex
