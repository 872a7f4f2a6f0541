#include "menu/WheelPanning.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdlib>

namespace halvex {

namespace {

constexpr UINT_PTR PanTimerId = 0x4850;
constexpr UINT PanTimerMs = 30;
// Around the origin the pointer may wander without scrolling; moving past it also turns a
// press-and-hold into a pan that ends with the release.
constexpr int DeadZone = 8;

bool CanScrollVertically(HWND list)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    if (!::GetScrollInfo(list, SB_VERT, &info))
        return false;
    return info.nPage > 0 && info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
}

int RowHeightOf(HWND list)
{
    const int height = static_cast<int>(::SendMessageW(list, TVM_GETITEMHEIGHT, 0, 0));
    return height > 0 ? height : 16;
}

} // namespace

int WheelPanning::StepFor(int distance) noexcept
{
    const int beyond = std::abs(distance) - DeadZone;
    if (beyond <= 0)
        return 0;
    const int step = 1 + beyond / 4;
    return distance < 0 ? -step : step;
}

void WheelPanning::Start(HWND list, POINT origin)
{
    list_ = list;
    origin_ = origin;
    moved_ = false;
    pendingPixels_ = 0;
    ::SetCapture(list);
    ::SetTimer(list, PanTimerId, PanTimerMs, nullptr);
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENS));
}

void WheelPanning::Stop()
{
    HWND list = list_;
    if (!list)
        return;
    list_ = nullptr;  // first, so that losing the capture below does not come back here
    ::KillTimer(list, PanTimerId);
    if (::GetCapture() == list)
        ::ReleaseCapture();
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::SetCursorPos(cursor.x, cursor.y);  // lets the control under the pointer set its own cursor again
}

void WheelPanning::Tick()
{
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(list_, &cursor);
    pendingPixels_ += StepFor(cursor.y - origin_.y);
    const int rowHeight = RowHeightOf(list_);
    // A tree view scrolls by whole rows; the rest waits for the next tick.
    while (pendingPixels_ >= rowHeight) {
        ::SendMessageW(list_, WM_VSCROLL, SB_LINEDOWN, 0);
        pendingPixels_ -= rowHeight;
    }
    while (pendingPixels_ <= -rowHeight) {
        ::SendMessageW(list_, WM_VSCROLL, SB_LINEUP, 0);
        pendingPixels_ += rowHeight;
    }
}

bool WheelPanning::Filter(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!list_) {
        if (message != WM_MBUTTONDOWN || !CanScrollVertically(list))
            return false;
        ::SetFocus(list);
        Start(list, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return true;
    }
    if (list != list_)
        return false;
    switch (message) {
    case WM_TIMER:
        if (wParam != PanTimerId)
            return false;
        Tick();
        return true;
    case WM_MOUSEMOVE: {
        const int dx = GET_X_LPARAM(lParam) - origin_.x, dy = GET_Y_LPARAM(lParam) - origin_.y;
        if (std::abs(dx) > DeadZone || std::abs(dy) > DeadZone)
            moved_ = true;
        ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENS));
        return true;
    }
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENS));
        return true;
    case WM_MBUTTONUP:
        if (moved_)
            Stop();
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        // A press only ends the panning; it does not also select or launch.
        Stop();
        return true;
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KILLFOCUS:
    case WM_DESTROY:
        Stop();
        return false;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != list_)
            Stop();
        return false;
    default:
        return false;
    }
}

} // namespace halvex
