#include "menu/MainForm.h"

#include "platform/Messages.h"

namespace halvex {

namespace {
constexpr COLORREF MenuColour = RGB(77, 141, 198);
} // namespace

bool TMainForm::CreateMenuWindow() noexcept
{
    static HBRUSH background = ::CreateSolidBrush(MenuColour);
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!RegisterClassOnce(MenuWindowClass, background, icon))
        return false;
    return Create(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, MenuWindowClass, L"Halvex Start Menu", WS_POPUP,
                  0, 0, DefaultWidth, DefaultHeight, nullptr);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace halvex
