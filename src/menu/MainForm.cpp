#include "menu/MainForm.h"

#include "catalog/FavoriteItems.h"
#include "platform/Logger.h"
#include "platform/Messages.h"

#include <string>

namespace halvex {

namespace {

constexpr COLORREF MenuColour = RGB(77, 141, 198);

// A process of a lower integrity level ("/pin" started by Explorer) may send the private messages;
// ChangeWindowMessageFilter does not exist before Vista, hence the lookup.
void AllowPrivateMessagesFromOtherProcesses()
{
    using ChangeFilter = BOOL(WINAPI*)(UINT, DWORD);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    auto change = user32 ? reinterpret_cast<ChangeFilter>(
                               reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilter")))
                         : nullptr;
    if (!change)
        return;
    for (UINT message : {WM_PIN_PATH, WM_TOGGLE_MENU, WM_OPEN_START_SCREEN})
        change(message, MSGFLT_ADD);
}

} // namespace

bool TMainForm::CreateMenuWindow() noexcept
{
    static HBRUSH background = ::CreateSolidBrush(MenuColour);
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!RegisterClassOnce(MenuWindowClass, background, icon))
        return false;
    AllowPrivateMessagesFromOtherProcesses();
    return Create(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, MenuWindowClass, L"Halvex Start Menu", WS_POPUP, 0, 0,
                  DefaultWidth, DefaultHeight, nullptr);
}

void TMainForm::PinPathFromAtom(WPARAM atomNumber)
{
    // Only a string atom can carry a path: 0 is no atom, and numbers below 0xC000 are integer atoms
    // whose "name" would be their number.
    if (atomNumber < MAXINTATOM || atomNumber > 0xFFFF)
        return;
    const auto atom = static_cast<ATOM>(atomNumber);
    wchar_t path[256];
    const UINT length = ::GlobalGetAtomNameW(atom, path, 256);
    if (length == 0)
        return;  // A deleted or foreign atom: there is no path to read.
    ::GlobalDeleteAtom(atom);
    TogglePin(std::wstring(path, length));
}

void TMainForm::ToggleMenu()
{
    if (::IsWindowVisible(handle()) && !::IsIconic(handle()))
        ::ShowWindow(handle(), SW_HIDE);
    else
        ::ShowWindow(handle(), SW_SHOWNORMAL);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PIN_PATH:
        if (lParam == MessageMarker)
            PinPathFromAtom(wParam);
        return 0;
    case WM_TOGGLE_MENU:
        if (lParam == MessageMarker)
            ToggleMenu();
        return 0;
    case WM_OPEN_START_SCREEN:
        // The default window procedure answers SC_TASKLIST by opening the Windows Start screen.
        if (lParam == MessageMarker)
            ::SendMessageW(handle(), WM_SYSCOMMAND, SC_TASKLIST, 0);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace halvex
