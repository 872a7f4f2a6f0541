#include "menu/RowPainting.h"

namespace halvex {

namespace {

void Fill(HDC dc, const RECT& r, COLORREF colour)
{
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Frame(HDC dc, const RECT& r, COLORREF colour)
{
    const RECT edges[] = {{r.left, r.top, r.right, r.top + 1},
                          {r.left, r.bottom - 1, r.right, r.bottom},
                          {r.left, r.top, r.left + 1, r.bottom},
                          {r.right - 1, r.top, r.right, r.bottom}};
    for (const RECT& edge : edges)
        Fill(dc, edge, colour);
}

} // namespace

void PaintRow(HDC dc, HFONT font, const RowPaint& row)
{
    const RECT& r = row.bounds;
    Fill(dc, r, ::GetSysColor(COLOR_WINDOW));
    if (row.selected) {
        Fill(dc, r, SelectedRowFill);
        Frame(dc, r, SelectedRowFrame);
    } else if (row.hot) {
        Fill(dc, r, HotRowFill);
    }

    const int padding = row.iconSize >= 32 ? 4 : 3;
    const int iconLeft = r.left + row.indent + padding;
    if (row.images && row.image >= 0)
        ::ImageList_Draw(row.images, row.image, dc, iconLeft, r.top + (r.bottom - r.top - row.iconSize) / 2,
                         ILD_TRANSPARENT);

    RECT text{iconLeft + row.iconSize + (row.iconSize >= 32 ? 8 : 5), r.top, r.right - padding, r.bottom};
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextW(dc, row.text, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    ::SelectObject(dc, oldFont);
}

void PaintSeparator(HDC dc, const RECT& client)
{
    Fill(dc, RECT{client.left, client.bottom - 1, client.right, client.bottom}, ListSeparator);
}

} // namespace halvex
