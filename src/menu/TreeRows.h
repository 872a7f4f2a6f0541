#pragma once

// Small helpers over the tree views that serve as the left column's lists.

#include "menu/MainForm.h"

#include <commctrl.h>
#include <windowsx.h>

namespace halvex {

inline HTREEITEM AppendRow(HWND list, HTREEITEM parent, HTREEITEM after, TNodeData& node)
{
    // Text and icon are asked for when the row is painted, so the row never holds a stale copy.
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    return TreeView_InsertItem(list, &insert);
}

inline TNodeData* NodeOf(HWND list, HTREEITEM row)
{
    if (!row)
        return nullptr;
    TVITEMW item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = row;
    if (!TreeView_GetItem(list, &item))
        return nullptr;
    return reinterpret_cast<TNodeData*>(item.lParam);
}

// The row at a point of the list's client area; none when the point is beside or below every row.
inline HTREEITEM RowAt(HWND list, POINT client)
{
    TVHITTESTINFO hit{};
    hit.pt = client;
    HTREEITEM row = TreeView_HitTest(list, &hit);
    return row && (hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON)) ? row : nullptr;
}

inline HTREEITEM RowAtCursor(HWND list)
{
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(list, &cursor);
    return RowAt(list, cursor);
}

inline HTREEITEM LastTopLevelRow(HWND list)
{
    HTREEITEM row = TreeView_GetRoot(list), last = nullptr;
    for (; row; row = TreeView_GetNextSibling(list, row))
        last = row;
    return last;
}

// The next row after this one in tree order, collapsed branches included: children first, then the
// next sibling, then the next sibling of the nearest parent that has one.
inline HTREEITEM NextInTreeOrder(HWND list, HTREEITEM row)
{
    if (HTREEITEM child = TreeView_GetChild(list, row))
        return child;
    for (; row; row = TreeView_GetParent(list, row)) {
        if (HTREEITEM sibling = TreeView_GetNextSibling(list, row))
            return sibling;
    }
    return nullptr;
}

inline bool IsExpanded(HWND list, HTREEITEM row)
{
    return (TreeView_GetItemState(list, row, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

} // namespace halvex
