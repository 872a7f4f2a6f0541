#pragma once

// How tests talk to the taskbar stand-in: window messages sent to its "Shell_TrayWnd".

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace standin {

// Returns how many WM_SYSCOMMAND / SC_TASKLIST requests the taskbar has received.
inline constexpr UINT WM_STANDIN_TASKLIST_COUNT = WM_APP + 1;
// Lays the task bands out again at the taskbar's edge, as Explorer does after any change.
inline constexpr UINT WM_STANDIN_RELAYOUT = WM_APP + 2;
// Moves the taskbar to another edge: wParam the edge (Edge below), lParam the thickness.
inline constexpr UINT WM_STANDIN_MOVE = WM_APP + 3;

// Numbered as the menu numbers taskbar edges.
enum class Edge : int { Top = 1, Bottom = 2, Left = 3, Right = 4 };

// Space that the notification area keeps at the far end of the taskbar; the bands end there.
inline constexpr int NotificationAreaLength = 200;

} // namespace standin
