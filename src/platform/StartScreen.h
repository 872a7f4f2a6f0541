#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

// Asks the taskbar to open the Windows Start screen, as the Windows key would without the menu.
// Without a taskbar nothing happens.
inline void OpenStartScreen() noexcept
{
    if (HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr))
        ::SendMessageW(taskbar, WM_SYSCOMMAND, SC_TASKLIST, 0);
}

} // namespace halvex
