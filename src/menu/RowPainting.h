#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>

namespace halvex {

// One row of the left column's lists as it is painted: the lists draw their rows themselves so
// that they look the same wherever they run, in the light style of Explorer's lists.
struct RowPaint {
    RECT bounds{};               // the whole row, in the list's client coordinates
    int indent = 0;              // pixels before the icon (child rows are indented by depth)
    int iconSize = 16;           // 16 or 32; the icon's place is kept even while it has no picture
    HIMAGELIST images = nullptr; // none until the icon tables exist
    int image = -1;              // -1: no icon
    const wchar_t* text = L"";
    bool hot = false;            // the pointer is over the row
    bool selected = false;       // the row is selected and its list has the keyboard focus
};

// Hot and selected rows: the fill and frame colours.
inline constexpr COLORREF HotRowFill = RGB(229, 243, 255);
inline constexpr COLORREF SelectedRowFill = RGB(204, 232, 255);
inline constexpr COLORREF SelectedRowFrame = RGB(153, 209, 255);
inline constexpr COLORREF ListSeparator = RGB(214, 221, 232);

void PaintRow(HDC dc, HFONT font, const RowPaint& row);

// The line along a list's bottom edge that parts it from what follows below.
void PaintSeparator(HDC dc, const RECT& client);

} // namespace halvex
