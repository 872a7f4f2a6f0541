// The left column of the menu window: the side strip, the favorites and recent lists, the All
// Programs tree, the All Programs / Back button and the search row, and the view that decides which
// of them show.

#include "menu/MainForm.h"

#include "catalog/FavoriteItems.h"
#include "catalog/RecentItems.h"
#include "catalog/StartMenuItems.h"
#include "menu/Placement.h"
#include "platform/Logger.h"
#include "menu/TreeRows.h"

#include <shellapi.h>

namespace halvex {

namespace {

constexpr int SideStripWidth = 22;
constexpr int RightColumnWidth = 151;
constexpr int ColumnMargin = 6;
constexpr int RowHeight = 32;
constexpr int SmallRowHeight = 22;  // the All Programs tree and the search results, with 16-pixel icons
constexpr int ButtonHeight = 25;
constexpr int SearchRowHeight = 25;
constexpr int ListMargin = 3;  // around the All Programs tree and the search results
constexpr int Win8MenuCaptionWidth = 14, Win8MenuCaptionHeight = 142;
constexpr int ProductCaptionWidth = 14, ProductCaptionHeight = 160;

constexpr UINT IdAllPrograms = 101;
constexpr UINT IdCancelSearch = 102;

constexpr wchar_t SearchPlaceholder[] = L"Search programs and files";
constexpr wchar_t VendorHomePage[] = L"https://www.tervane.com/";

bool IsExistingFile(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CanTakeFocus(HWND control)
{
    return control && ::IsWindowVisible(control) && ::IsWindowEnabled(control) &&
           ::IsWindowVisible(::GetAncestor(control, GA_ROOT));
}

void FocusRow(HWND list, HTREEITEM row)
{
    ::SetFocus(list);
    TreeView_SelectItem(list, row);
}

} // namespace

void TMainForm::CreateControls()
{
    HDC screen = ::GetDC(nullptr);
    const int logPixels = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    auto makeFont = [&](int points, bool italic) {
        return UniqueFont(::CreateFontW(-::MulDiv(points, logPixels, 72), 0, 0, 0, FW_NORMAL, italic, FALSE, FALSE,
                                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                        DEFAULT_PITCH | FF_SWISS, L"Segoe UI"));
    };
    font = makeFont(9, false);
    largerFont = makeFont(11, false);
    placeholderFont = makeFont(11, true);
    ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);

    imgWin8MenuPicture = LoadPicture(IDP_WIN8MENU);
    imgLabelPicture = LoadPicture(IDP_LABEL);
    imgArrow1 = LoadPicture(IDP_ARROW1);
    imgArrow2 = LoadPicture(IDP_ARROW2);

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    vstFavorites = CreateList(L"Favorites", TVS_NOSCROLL, RowHeight);
    vstRecent = CreateList(L"Recent programs", TVS_NOSCROLL, RowHeight);
    vstStartMenu = CreateList(L"All Programs", 0, SmallRowHeight);
    vstSearch = CreateList(L"Search results", 0, SmallRowHeight);

    btnAllPrograms = ::CreateWindowExW(0, WC_BUTTONW, L"All Programs", WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, 0, 0,
                                       0, 0, handle(), reinterpret_cast<HMENU>(IdAllPrograms), instance, nullptr);
    edtSearch = ::CreateWindowExW(0, WC_EDITW, SearchPlaceholder, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                  0, 0, 0, 0, handle(), nullptr, instance, nullptr);
    btnCancelSearch = ::CreateWindowExW(0, WC_BUTTONW, L"\u00D7", WS_CHILD | WS_TABSTOP | BS_FLAT, 0, 0, 0, 0,
                                        handle(), reinterpret_cast<HMENU>(IdCancelSearch), instance, nullptr);
    pnlRight = ::CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, handle(), nullptr, instance,
                                 nullptr);
    for (HWND control : {btnAllPrograms, btnCancelSearch, pnlRight})
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    ::SendMessageW(edtSearch, WM_SETFONT, reinterpret_cast<WPARAM>(placeholderFont.get()), FALSE);
}

int TMainForm::FavoritesHeight() const { return favoritesRows * RowHeight + 2; }

void TMainForm::LayOutControls()
{
    RECT client{};
    ::GetClientRect(handle(), &client);
    const int width = client.right, height = client.bottom;
    const bool rightColumn = ViewMode == TViewMode::Default;

    // The side strip: "Veradav 8 Eved" at its top, the product name at its bottom.
    imgWin8Menu = RECT{5, 6, 5 + Win8MenuCaptionWidth, 6 + Win8MenuCaptionHeight};
    imgLabel = RECT{5, height - ProductCaptionHeight, 5 + ProductCaptionWidth, height};

    // The right column sits at the right, or with a right taskbar at the left with a 7-pixel margin.
    int left = SideStripWidth, right = width - ColumnMargin;
    if (rightColumn) {
        if (rightColumnOnLeft) {
            const int x = SideStripWidth + RightColumnLeftMargin;
            ::MoveWindow(pnlRight, x, 0, RightColumnWidth, height, TRUE);
            left = x + RightColumnWidth;
        } else {
            ::MoveWindow(pnlRight, width - RightColumnWidth, 0, RightColumnWidth, height, TRUE);
            right = width - RightColumnWidth - ColumnMargin;
        }
    }
    const int top = ColumnMargin, bottom = height - ColumnMargin;
    const int columnWidth = right - left;

    // From the bottom up: the search row, then the All Programs / Back button.
    const int searchTop = bottom - 3 - SearchRowHeight;
    const int searchRowLeft = left + 4, searchRowRight = right - 4;
    // Visibility is decided from the view, not read back from the controls: while the window itself is
    // hidden, no child of it counts as visible.
    const bool searching = ViewMode == TViewMode::Search;
    const int cancelWidth = searching ? SearchRowHeight : 0;
    ::MoveWindow(edtSearch, searchRowLeft, searchTop, searchRowRight - searchRowLeft - cancelWidth, SearchRowHeight,
                 TRUE);
    ::MoveWindow(btnCancelSearch, searchRowRight - SearchRowHeight, searchTop, SearchRowHeight, SearchRowHeight,
                 TRUE);
    const int buttonTop = searchTop - 1 - 3 - ButtonHeight;
    ::MoveWindow(btnAllPrograms, left + 5, buttonTop, columnWidth - 10, ButtonHeight, TRUE);

    // The lists fill what is left above the button.
    const int listsBottom = searching ? searchTop - 1 : buttonTop - 3;
    const int favoritesHeight = ViewMode == TViewMode::Default && favoritesRows > 0 ? FavoritesHeight() : 0;
    ::MoveWindow(vstFavorites, left, top, columnWidth, FavoritesHeight(), TRUE);
    ::MoveWindow(vstRecent, left, top + favoritesHeight, columnWidth, listsBottom - top - favoritesHeight, TRUE);
    for (HWND list : {vstStartMenu, vstSearch})
        ::MoveWindow(list, left + ListMargin, top + ListMargin, columnWidth - 2 * ListMargin,
                     listsBottom - top - 2 * ListMargin, TRUE);
    ::InvalidateRect(handle(), nullptr, TRUE);
}

void TMainForm::SetViewVisibility()
{
    const bool isDefault = ViewMode == TViewMode::Default;
    auto show = [](HWND control, bool visible) { ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE); };
    show(vstStartMenu, ViewMode == TViewMode::AllPrograms);
    show(vstFavorites, isDefault && favoritesRows > 0);
    show(vstRecent, isDefault);
    show(vstSearch, ViewMode == TViewMode::Search);
    show(btnAllPrograms, ViewMode != TViewMode::Search);
    show(pnlRight, isDefault);
    show(btnCancelSearch, ViewMode == TViewMode::Search);
}

void TMainForm::UpdateView()
{
    ::SetWindowTextW(btnAllPrograms, ViewMode == TViewMode::Default ? L"All Programs" : L"Back");
    ::InvalidateRect(btnAllPrograms, nullptr, TRUE);
    SetViewVisibility();
    LayOutControls();

    for (HWND list : {vstFavorites, vstRecent, vstSearch, vstStartMenu}) {
        TreeView_SelectItem(list, nullptr);
        SetHotRow(list, nullptr);
    }
    // The right column's selection is cleared here once the right column has its list.

    focusingWithoutSelection = true;
    switch (ViewMode) {
    case TViewMode::AllPrograms:
        if (CanTakeFocus(vstStartMenu))
            ::SetFocus(vstStartMenu);
        break;
    case TViewMode::Default:
        if (CanTakeFocus(vstFavorites))
            ::SetFocus(vstFavorites);
        else if (CanTakeFocus(vstRecent))
            ::SetFocus(vstRecent);
        break;
    case TViewMode::Search:
        if (CanTakeFocus(edtSearch))
            ::SetFocus(edtSearch);
        break;
    }
    focusingWithoutSelection = false;

    if (ViewMode != TViewMode::Search) {
        searchPlaceholder = true;
        ::SendMessageW(edtSearch, WM_SETFONT, reinterpret_cast<WPARAM>(placeholderFont.get()), TRUE);
        ::SetWindowTextW(edtSearch, SearchPlaceholder);
    }

    // The favorites' height counts even while the list is hidden.
    RECT window{};
    ::GetWindowRect(handle(), &window);
    const int newHeight = MenuHeightFor(FavoritesHeight());
    if (newHeight != window.bottom - window.top) {
        ::SetWindowPos(handle(), nullptr, 0, 0, window.right - window.left, newHeight,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PositionMenu();
        LayOutControls();
    }
}

void TMainForm::ClearList(HWND list)
{
    clearingList = true;
    TreeView_DeleteAllItems(list);
    clearingList = false;
    StateOf(list).hotRow = nullptr;
    NodesOf(list).clear();
}

void TMainForm::FillFavorites()
{
    ClearList(vstFavorites);
    favoritesRows = 0;
    for (const auto& favorite : GetFavoriteItems(false)) {
        if (!IsExistingFile(favorite->Path))
            continue;
        auto& nodes = NodesOf(vstFavorites);
        nodes.push_back(TNodeData{});
        nodes.back().Favorite = favorite.get();
        AppendRow(vstFavorites, TVI_ROOT, TVI_LAST, nodes.back());
        ++favoritesRows;
    }
    ::ShowWindow(vstFavorites, ViewMode == TViewMode::Default && favoritesRows > 0 ? SW_SHOWNA : SW_HIDE);
    LayOutControls();
}

void TMainForm::FillRecent()
{
    ClearList(vstRecent);
    RECT list{};
    ::GetClientRect(vstRecent, &list);
    // The list's height now decides how many rows it gets; a later change of the height does not
    // refill it.
    const int height = list.bottom;
    int rows = 0;
    for (const auto& recent : GetRecentItems(false)) {
        if (!IsExistingFile(recent->Path) || IsPinnedAsFavorite(recent->Path))
            continue;
        auto& nodes = NodesOf(vstRecent);
        nodes.push_back(TNodeData{});
        nodes.back().Recent = recent.get();
        AppendRow(vstRecent, TVI_ROOT, TVI_LAST, nodes.back());
        ++rows;
        if ((rows + 1) * RowHeight + 2 > height)
            break;
    }
}

void TMainForm::FillAllPrograms()
{
    ::SendMessageW(vstStartMenu, WM_SETREDRAW, FALSE, 0);
    ++startMenuGeneration;
    ClearList(vstStartMenu);
    const TStartMenuList* root = RescanStartMenu();
    auto& nodes = NodesOf(vstStartMenu);
    auto add = [&](auto& self, const TStartMenuList& entries, HTREEITEM parent) -> void {
        for (const auto& entry : entries) {
            if (entry->IsFolder && !entry->Children)
                continue;  // an empty folder is not shown
            nodes.push_back(TNodeData{});
            nodes.back().StartMenuItem = entry.get();
            HTREEITEM row = AppendRow(vstStartMenu, parent, TVI_LAST, nodes.back());
            if (entry->Children && !entry->Children->empty()) {
                TVITEMW item{};
                item.mask = TVIF_CHILDREN | TVIF_HANDLE;
                item.hItem = row;
                item.cChildren = 1;
                TreeView_SetItem(vstStartMenu, &item);
                self(self, *entry->Children, row);
            }
        }
    };
    if (root)
        add(add, *root, TVI_ROOT);
    ::SendMessageW(vstStartMenu, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(vstStartMenu, nullptr, TRUE);
}

void TMainForm::ActivateRow(HWND list, HTREEITEM row)
{
    const TNodeData* node = NodeOf(list, row);
    if (!node)
        return;
    if (list == vstFavorites && node->Favorite)
        ActivateFavorite(*node->Favorite);
    else if (list == vstRecent && node->Recent)
        ActivateRecentProgram(*node->Recent);
    else if (list == vstStartMenu && node->StartMenuItem)
        ActivateStartMenuItem(*node->StartMenuItem);
}

void TMainForm::OnListClick(HWND list)
{
    HTREEITEM row = RowAtCursor(list);
    if (!row)
        return;
    if (list == vstStartMenu) {
        // A click launches only a program row on which the button also went down; a folder row that is
        // clicked is only focused, which opens it.
        const TNodeData* node = NodeOf(list, row);
        if (row != PressedStartMenuNode || !node || !node->StartMenuItem || node->StartMenuItem->IsFolder)
            return;
    }
    ActivateRow(list, row);
}

void TMainForm::OnListKeyDown(HWND list, WORD key)
{
    HTREEITEM focused = TreeView_GetSelection(list);
    if (key == VK_RETURN) {
        ActivateRow(list, focused);
        return;
    }
    if (list == vstFavorites && key == VK_DOWN && focused && !TreeView_GetNextSibling(list, focused)) {
        HTREEITEM first = TreeView_GetRoot(vstRecent);
        if (CanTakeFocus(vstRecent) && first) {
            FocusRow(vstRecent, first);
            TreeView_SelectItem(vstFavorites, nullptr);
        }
    } else if (list == vstRecent && key == VK_UP && focused && focused == TreeView_GetRoot(list)) {
        HTREEITEM last = LastTopLevelRow(vstFavorites);
        if (CanTakeFocus(vstFavorites) && last) {
            FocusRow(vstFavorites, last);
            TreeView_SelectItem(vstRecent, nullptr);
        }
    }
}

void TMainForm::BeginRowDrag(HWND list, HTREEITEM row)
{
    if (!row)
        return;
    // The row under the pointer is the one dragged, whatever row had the focus before: the drop acts
    // on the focused row, so it is focused now.
    ::SetFocus(list);
    TreeView_SelectItem(list, row);
    dragSource = list;
    draggedRow = row;
    ::SetCapture(handle());
}

void TMainForm::CancelRowDrag()
{
    dragSource = nullptr;
    draggedRow = nullptr;
    if (::GetCapture() == handle())
        ::ReleaseCapture();
}

void TMainForm::EndRowDrag(POINT screen)
{
    HWND source = dragSource;
    HTREEITEM dragged = draggedRow;
    CancelRowDrag();
    if (!source || !dragged)
        return;

    HWND target = ::WindowFromPoint(screen);
    if (target != vstFavorites && target != vstRecent)
        return;  // only the two lists take drops
    POINT client = screen;
    ::ScreenToClient(target, &client);
    HTREEITEM dropRow = RowAt(target, client);
    const TNodeData* draggedNode = NodeOf(source, dragged);
    if (!draggedNode)
        return;

    if (source == vstRecent && target == vstFavorites && draggedNode->Recent) {
        // The new favorite lands before the favorite it was dropped on; dropped below the last
        // favorite, it goes last.
        const TNodeData* under = NodeOf(vstFavorites, dropRow);
        const int index = under && under->Favorite ? under->Favorite->Index : 1000;
        const TRecentProgram& program = *draggedNode->Recent;
        InsertFavorite(program.Caption, program.Path, index, true);
        TreeView_DeleteItem(vstRecent, dragged);
    } else if (source == vstFavorites && target == vstFavorites) {
        // Reordering only moves the row on the screen; the next refill shows the stored order.
        if (dropRow == dragged)
            return;
        TNodeData* moved = NodeOf(vstFavorites, dragged);
        HTREEITEM previous = dropRow ? TreeView_GetPrevSibling(vstFavorites, dropRow) : LastTopLevelRow(vstFavorites);
        if (previous == dragged)
            return;
        TreeView_DeleteItem(vstFavorites, dragged);
        HTREEITEM row = AppendRow(vstFavorites, TVI_ROOT, previous ? previous : TVI_FIRST, *moved);
        TreeView_SelectItem(vstFavorites, row);
    } else if (source == vstFavorites && target == vstRecent && draggedNode->Favorite) {
        RemoveFavorite(*draggedNode->Favorite);
        FillRecent();
    }
}

void TMainForm::ShowRowContextMenu(HWND, HTREEITEM, POINT)
{
    // The shell's own context menu for the row's file comes here.
}

LRESULT TMainForm::OnNotify(const NMHDR& header)
{
    HWND list = header.hwndFrom;
    if (list != vstFavorites && list != vstRecent && list != vstStartMenu && list != vstSearch)
        return 0;
    switch (header.code) {
    case TVN_GETDISPINFOW:
        OnGetDisplayInfo(*reinterpret_cast<NMTVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case NM_CLICK:
        OnListClick(list);
        return 0;
    case TVN_KEYDOWN: {
        OnListKeyDown(list, reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey);
        return 0;  // the key keeps the list's ordinary behaviour too
    }
    case TVN_SELCHANGINGW:
        // Only the selection a list makes by itself as it takes the focus is refused.
        return focusingWithoutSelection &&
                       reinterpret_cast<const NMTREEVIEWW&>(header).action == TVC_UNKNOWN
                   ? TRUE
                   : FALSE;
    case TVN_BEGINDRAGW:
        if (list == vstFavorites || list == vstRecent)
            BeginRowDrag(list, reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem);
        return 0;
    case TVN_SELCHANGEDW:
        if (!clearingList)
            OnSelectionChanged(list, reinterpret_cast<const NMTREEVIEWW&>(header));
        return 0;
    case TVN_ITEMEXPANDEDW:
        OnRowExpanded(list, reinterpret_cast<const NMTREEVIEWW&>(header));
        return 0;
    case TVN_DELETEITEMW:
        OnRowDeleted(list, reinterpret_cast<const NMTREEVIEWW&>(header).itemOld.hItem);
        return 0;
    case NM_DBLCLK:
        return OnRowDoubleClick(list) ? TRUE : FALSE;
    case NM_CUSTOMDRAW:
        return OnCustomDraw(list, *reinterpret_cast<NMTVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    case NM_RCLICK: {
        POINT screen{};
        ::GetCursorPos(&screen);
        if (HTREEITEM row = RowAtCursor(list))
            ShowRowContextMenu(list, row, screen);
        return 1;  // no menu of the list's own
    }
    default:
        return 0;
    }
}

void TMainForm::DrawAllProgramsButton(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool hot = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &r, ::GetSysColorBrush(hot ? COLOR_BTNFACE : COLOR_WINDOW));
    // The glyph, then five pixels of space, then the caption.
    const Picture& glyph = ViewMode == TViewMode::Default ? imgArrow2 : imgArrow1;
    const int glyphLeft = r.left + 6;
    DrawPicture(dc, glyph, glyphLeft, r.top + (r.bottom - r.top - glyph.height) / 2);
    wchar_t caption[64];
    ::GetWindowTextW(item.hwndItem, caption, 64);
    RECT text{glyphLeft + glyph.width + 5, r.top, r.right, r.bottom};
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ old = ::SelectObject(dc, font.get());
    ::DrawTextW(dc, caption, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    ::SelectObject(dc, old);
}

void TMainForm::PaintSideStrip(HDC dc)
{
    // The side strip's captions, and the left column's white background with its margins.
    RECT client{};
    ::GetClientRect(handle(), &client);
    RECT column{SideStripWidth, ColumnMargin, client.right - ColumnMargin, client.bottom - ColumnMargin};
    if (ViewMode == TViewMode::Default) {
        if (rightColumnOnLeft)
            column.left = SideStripWidth + RightColumnLeftMargin + RightColumnWidth;
        else
            column.right = client.right - RightColumnWidth - ColumnMargin;
    }
    ::FillRect(dc, &column, ::GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    DrawPicture(dc, imgWin8MenuPicture, imgWin8Menu.left, imgWin8Menu.top);
    DrawPicture(dc, imgLabelPicture, imgLabel.left, imgLabel.top);
}

void TMainForm::btnAllProgramsClick()
{
    ViewMode = ViewMode == TViewMode::Default ? TViewMode::AllPrograms : TViewMode::Default;
    UpdateView();
}

void TMainForm::imgWin8MenuClick()
{
    HideMenu();
    // The system's own Start screen opens on the right Windows key; the keyboard hook sees this press
    // like a real one.
    ::keybd_event(VK_RWIN, 0, 0, 0);
    ::keybd_event(VK_RWIN, 0, KEYEVENTF_KEYUP, 0);
}

void TMainForm::imgLabelClick()
{
    const auto result =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(handle(), L"open", VendorHomePage, nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
        Log(L"MainForm.imgLabelClick: the home page could not be opened (" + std::to_wstring(result) + L")");
    HideMenu();
}

bool TMainForm::PreviewKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    if (msg.hwnd != handle() && !::IsChild(handle(), msg.hwnd))
        return false;
    if (msg.wParam == VK_ESCAPE && ViewMode != TViewMode::Search) {
        HideMenu();
        if (PreviousForegroundWindow)
            ForceForegroundWindow(PreviousForegroundWindow);
        return true;
    }
    if ((msg.wParam == VK_UP || msg.wParam == VK_DOWN) && ::GetFocus() == handle() && CanTakeFocus(vstFavorites))
        ::SetFocus(vstFavorites);
    return false;
}

} // namespace halvex
