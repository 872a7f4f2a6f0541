// What the four lists of the left column share: how their rows are made, named and painted, the
// pressed and hot rows, opening one branch at a time, and wheel panning.

#include "menu/MainForm.h"

#include "catalog/FavoriteItems.h"
#include "catalog/RecentItems.h"
#include "catalog/StartMenuItems.h"
#include "menu/RowPainting.h"
#include "menu/TreeRows.h"
#include "platform/SystemLibrary.h"

namespace halvex {

namespace {

constexpr int ChildIndent = 16;
constexpr UINT_PTR ListSubclassId = 1;

// Scroll bars take the look of Explorer's where the theme DLL exists.
void UseExplorerTheme(HWND control)
{
    using SetTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const auto setTheme = GetSystemProc<SetTheme>(L"uxtheme.dll", "SetWindowTheme");
    if (setTheme)
        setTheme(control, L"Explorer", nullptr);
}

const std::wstring& TextOf(const TNodeData& node)
{
    if (node.Favorite)
        return node.Favorite->Caption;
    if (node.Recent)
        return node.Recent->Caption;
    if (node.StartMenuItem)
        return node.StartMenuItem->Caption;
    return node.GroupCaption;
}

int DepthOf(HWND list, HTREEITEM row)
{
    int depth = 0;
    for (HTREEITEM parent = TreeView_GetParent(list, row); parent; parent = TreeView_GetParent(list, parent))
        ++depth;
    return depth;
}

void InvalidateRow(HWND list, HTREEITEM row)
{
    RECT bounds{};
    if (row && TreeView_GetItemRect(list, row, &bounds, FALSE))
        ::InvalidateRect(list, &bounds, FALSE);
}

// Opening a branch brings its rows into view, as far as they fit below the opened row.
void ScrollChildrenIntoView(HWND list, HTREEITEM parent)
{
    HTREEITEM last = nullptr;
    for (HTREEITEM child = TreeView_GetChild(list, parent); child; child = TreeView_GetNextSibling(list, child))
        last = child;
    if (!last)
        return;
    TreeView_EnsureVisible(list, last);
    TreeView_EnsureVisible(list, parent);
}

} // namespace

TMainForm::TListState& TMainForm::StateOf(HWND list)
{
    if (list == vstFavorites)
        return favoritesState;
    if (list == vstRecent)
        return recentState;
    if (list == vstStartMenu)
        return startMenuState;
    return searchState;
}

std::deque<TNodeData>& TMainForm::NodesOf(HWND list) { return StateOf(list).nodes; }

HWND TMainForm::CreateList(const wchar_t* name, DWORD extraStyle, int itemHeight)
{
    // Full-row selection, no lines and no buttons; the selection shows only while the list has the
    // focus. Rows are painted by the menu (see OnCustomDraw), hot rows included.
    HWND list = ::CreateWindowExW(0, WC_TREEVIEWW, name,
                                  WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | TVS_FULLROWSELECT | TVS_NOHSCROLL |
                                      extraStyle,
                                  0, 0, 0, 0, handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!list)
        return nullptr;
    UseExplorerTheme(list);
    ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    TreeView_SetItemHeight(list, itemHeight);
    TreeView_SetIndent(list, ChildIndent);
    ::SetWindowSubclass(list, &TMainForm::ListProc, ListSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return list;
}

LRESULT CALLBACK TMainForm::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR form) noexcept
{
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(list, &TMainForm::ListProc, ListSubclassId);
    else if (reinterpret_cast<TMainForm*>(form)->FilterListMessage(list, message, wParam, lParam))
        return 0;
    return ::DefSubclassProc(list, message, wParam, lParam);
}

bool TMainForm::FilterListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // A click on the All Programs tree launches only when the button went down on the same row.
        if (list == vstStartMenu)
            PressedStartMenuNode = RowAt(list, at);
        break;
    case WM_MOUSEMOVE:
        if (!wheelPanning.Active()) {
            SetHotRow(list, RowAt(list, at));
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, list, 0};
            ::TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSELEAVE:
        SetHotRow(list, nullptr);
        break;
    case WM_KEYDOWN:
        // With no row focused, Down starts at the first row and Up at the last, as in any list.
        if ((wParam == VK_DOWN || wParam == VK_UP) && !TreeView_GetSelection(list) && !wheelPanning.Active()) {
            HTREEITEM row = wParam == VK_DOWN ? TreeView_GetFirstVisible(list) : TreeView_GetLastVisible(list);
            if (row) {
                TreeView_SelectItem(list, row);
                TreeView_EnsureVisible(list, row);
                return true;
            }
        }
        break;
    default:
        break;
    }
    return wheelPanning.Filter(list, message, wParam, lParam);
}

void TMainForm::SetHotRow(HWND list, HTREEITEM row)
{
    HTREEITEM& hot = StateOf(list).hotRow;
    if (hot == row)
        return;
    InvalidateRow(list, hot);
    hot = row;
    InvalidateRow(list, hot);
}

int TMainForm::RowImageIndex(const TNodeData& node) const
{
    // The icon cache answers here once it exists: folders 1, programs their own icon (2 until it is
    // ready) in the tree; the favorites' and recent programs' own big icons.
    if (node.StartMenuItem)
        return node.StartMenuItem->IsFolder ? 1 : 2;
    return -1;
}

void TMainForm::OnGetDisplayInfo(NMTVDISPINFOW& info)
{
    const TNodeData* node = reinterpret_cast<const TNodeData*>(info.item.lParam);
    if (!node)
        return;
    if ((info.item.mask & TVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0)
        lstrcpynW(info.item.pszText, TextOf(*node).c_str(), info.item.cchTextMax);
    if (info.item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
        const int image = RowImageIndex(*node);
        info.item.iImage = image;
        info.item.iSelectedImage = image;
    }
}

LRESULT TMainForm::OnCustomDraw(HWND list, NMTVCUSTOMDRAW& draw)
{
    const bool bigRows = list == vstFavorites || list == vstRecent;
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | (bigRows ? CDRF_NOTIFYPOSTPAINT : 0);
    case CDDS_ITEMPREPAINT: {
        const auto row = reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec);
        const auto* node = reinterpret_cast<const TNodeData*>(draw.nmcd.lItemlParam);
        RowPaint paint;
        if (!TreeView_GetItemRect(list, row, &paint.bounds, FALSE))
            paint.bounds = draw.nmcd.rc;
        paint.indent = DepthOf(list, row) * ChildIndent;
        paint.iconSize = bigRows ? 32 : 16;
        paint.images = TreeView_GetImageList(list, TVSIL_NORMAL);
        paint.image = node ? RowImageIndex(*node) : -1;
        paint.text = node ? TextOf(*node).c_str() : L"";
        paint.hot = row == StateOf(list).hotRow;
        paint.selected = ::GetFocus() == list && (TreeView_GetItemState(list, row, TVIS_SELECTED) & TVIS_SELECTED);
        PaintRow(draw.nmcd.hdc, font.get(), paint);
        return CDRF_SKIPDEFAULT;
    }
    case CDDS_POSTPAINT:
        if (bigRows) {
            RECT client{};
            ::GetClientRect(list, &client);
            PaintSeparator(draw.nmcd.hdc, client);
        }
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

void TMainForm::OnSelectionChanged(HWND list, const NMTREEVIEWW& change)
{
    // Focusing a row with children opens it; the sibling that had the focus closes again, so that one
    // branch of a level is open at a time.
    HTREEITEM previous = change.itemOld.hItem, current = change.itemNew.hItem;
    if (previous && current && previous != current &&
        TreeView_GetParent(list, previous) == TreeView_GetParent(list, current) && IsExpanded(list, previous))
        TreeView_Expand(list, previous, TVE_COLLAPSE);
    if (current && TreeView_GetChild(list, current) && !IsExpanded(list, current)) {
        TreeView_Expand(list, current, TVE_EXPAND);
        ScrollChildrenIntoView(list, current);
    }
}

void TMainForm::OnRowExpanded(HWND list, const NMTREEVIEWW& change)
{
    if ((change.action & (TVE_EXPAND | TVE_COLLAPSE)) == TVE_EXPAND)
        ScrollChildrenIntoView(list, change.itemNew.hItem);
}

bool TMainForm::OnRowDoubleClick(HWND list)
{
    HTREEITEM row = RowAtCursor(list);
    if (!row || !TreeView_GetChild(list, row))
        return false;
    TreeView_Expand(list, row, TVE_TOGGLE);
    if (IsExpanded(list, row))
        ScrollChildrenIntoView(list, row);
    return true;  // the list does not toggle it a second time
}

void TMainForm::OnRowDeleted(HWND list, HTREEITEM row)
{
    // No handle outlives its row: a later row may be given the same handle.
    TListState& state = StateOf(list);
    if (state.hotRow == row)
        state.hotRow = nullptr;
    if (list == vstStartMenu && PressedStartMenuNode == row)
        PressedStartMenuNode = nullptr;
    if (list == dragSource && draggedRow == row)
        CancelRowDrag();
}

} // namespace halvex
