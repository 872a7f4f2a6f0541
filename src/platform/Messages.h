#pragma once

// Every private window message of the program, in one place. Each carries MessageMarker in lParam;
// the menu window ignores a private message without it, so that a stray WM_USER+n from another
// program does nothing.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

// A "/pin" process asks the running menu to toggle a pin; wParam is a global atom holding the path.
inline constexpr UINT WM_PIN_PATH = WM_USER + 125;
// The hook thread asks the menu to show or hide itself.
inline constexpr UINT WM_TOGGLE_MENU = WM_USER + 126;
// Opens the system's own Start screen.
inline constexpr UINT WM_OPEN_START_SCREEN = WM_USER + 127;

inline constexpr LPARAM MessageMarker = 666;

// The window class of the menu window; "/pin" processes look the running menu up by it.
inline constexpr wchar_t MenuWindowClass[] = L"THalvexForm";

} // namespace halvex
