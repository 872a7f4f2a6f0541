#pragma once

#include "activation/Taskbar.h"
#include "menu/WheelPanning.h"
#include "platform/Handles.h"
#include "platform/Window.h"
#include "resources/Pictures.h"

#include <commctrl.h>

#include <cstdint>
#include <deque>
#include <string>

namespace halvex {

class TFavoriteProgram;
struct TRecentProgram;
struct TStartMenuItem;

// What the left column shows.
enum class TViewMode : std::uint8_t { Default = 0, AllPrograms = 1, Search = 2 };

// The record behind one row of the left column's lists; each list uses its own field. Rows only
// refer to the stores' objects, and every list is refilled when its store changes.
struct TNodeData {
    std::wstring GroupCaption;
    const TStartMenuItem* StartMenuItem = nullptr;
    const TFavoriteProgram* Favorite = nullptr;
    const TRecentProgram* Recent = nullptr;
};

// The menu window "THalvexForm": the resident process's main window. It shows itself beside the
// taskbar, hides itself again as soon as the user turns to another window, and answers the private
// messages of the hook thread and of "/pin" processes.
class TMainForm final : public Window {
public:
    static constexpr int DefaultWidth = 401;
    static constexpr int DefaultHeight = 523;

    TMainForm() = default;

    // Creates the native window and starts the menu's pieces; the window stays hidden. False when
    // Windows refused to create it.
    [[nodiscard]] bool CreateMenuWindow() noexcept;

    // The start of the resident process: a plain show at the place found at creation, or ("/startup")
    // hidden and minimised until the user opens the menu.
    void ShowAtStart();
    void HideAtStart();

    void ShowMenu();
    void HideMenu();
    void PositionMenu();

    // The window sees every key before the focused control does. True when the key was used up.
    bool PreviewKey(const MSG& msg);
    // Hands one message of the queue on, after the window's own look at keys.
    void DispatchWithPreview(MSG& msg);
    // Serves the messages waiting in the queue. False once the program is ending (the quit message is
    // put back for the outer loop).
    bool ProcessPendingMessages();

    void UpdateView();
    void FillFavorites();
    void FillRecent();
    void FillAllPrograms();

    // Brings a window to the front and gives it the foreground.
    static void ForceForegroundWindow(HWND window) noexcept;
    // Applies a show command through the window placement; false (and nothing changed) when the
    // placement cannot be had or its normal rectangle is under 50 pixels high.
    static bool SetWindowShowState(HWND window, UINT showCommand) noexcept;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum TimerId : UINT_PTR { tmrDelayInit = 1, tmrForegroundChecker = 2 };

    void FormCreate();
    void FormDestroy();
    void tmrDelayInitTimer();
    void PreloadStartMenuIcons();
    void tmrForegroundCheckerTimer();
    void StartForegroundWatch();
    void StopForegroundWatch();
    void ToggleMenu();
    // WM_PIN_PATH from a "/pin" process: wParam is a global atom holding the path.
    void PinPathFromAtom(WPARAM atomNumber);

    // The left column.
    void CreateControls();
    HWND CreateList(const wchar_t* name, DWORD extraStyle, int itemHeight);
    void LayOutControls();
    void SetViewVisibility();
    int FavoritesHeight() const;
    void PaintSideStrip(HDC dc);
    void DrawAllProgramsButton(const DRAWITEMSTRUCT& item);
    LRESULT OnNotify(const NMHDR& header);
    void OnGetDisplayInfo(NMTVDISPINFOW& info);
    int RowImageIndex(const TNodeData& node) const;
    LRESULT OnCustomDraw(HWND list, NMTVCUSTOMDRAW& draw);
    void OnSelectionChanged(HWND list, const NMTREEVIEWW& change);
    void OnRowExpanded(HWND list, const NMTREEVIEWW& change);
    bool OnRowDoubleClick(HWND list);
    void OnRowDeleted(HWND list, HTREEITEM row);
    void SetHotRow(HWND list, HTREEITEM row);
    void OnListClick(HWND list);
    void OnListKeyDown(HWND list, WORD key);
    void ActivateRow(HWND list, HTREEITEM row);
    void ShowRowContextMenu(HWND list, HTREEITEM row, POINT screen);
    // Every list's messages pass here first: the pressed and hot rows, and wheel panning.
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR form) noexcept;
    bool FilterListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
    struct TListState;
    TListState& StateOf(HWND list);
    std::deque<TNodeData>& NodesOf(HWND list);
    void ClearList(HWND list);
    // Drag and drop between the favorites and recent lists.
    void BeginRowDrag(HWND list, HTREEITEM row);
    void EndRowDrag(POINT screen);
    void CancelRowDrag();
    void btnAllProgramsClick();
    void imgWin8MenuClick();
    void imgLabelClick();

    TViewMode ViewMode = TViewMode::Default;
    HWND vstFavorites = nullptr;
    HWND vstRecent = nullptr;
    HWND vstStartMenu = nullptr;
    HWND vstSearch = nullptr;
    HWND btnAllPrograms = nullptr;
    HWND edtSearch = nullptr;
    HWND btnCancelSearch = nullptr;
    HWND pnlRight = nullptr;
    // The side strip's two pictures and where they stand, in client coordinates.
    RECT imgWin8Menu{};
    RECT imgLabel{};
    Picture imgWin8MenuPicture;
    Picture imgLabelPicture;
    // The All Programs / Back button's glyphs: pointing left (Back) and right (All Programs).
    Picture imgArrow1;
    Picture imgArrow2;
    bool rightColumnOnLeft = false;
    bool searchPlaceholder = true;
    int favoritesRows = 0;
    HTREEITEM PressedStartMenuNode = nullptr;
    // Set while UpdateView moves the focus: a tree view that gets the focus with no selection selects
    // its first row by itself, and the view must come up with nothing selected.
    bool focusingWithoutSelection = false;
    HWND dragSource = nullptr;  // the list a row is being dragged from, while a drag is on
    HTREEITEM draggedRow = nullptr;
    WheelPanning wheelPanning;
    // Set while a list is emptied: the selection moving among rows that are going away opens nothing.
    bool clearingList = false;
    // Counts the fills of the All Programs tree, so that a walk over its rows notices a refill.
    unsigned startMenuGeneration = 0;
    UniqueFont font;
    UniqueFont largerFont;
    UniqueFont placeholderFont;
    // What the menu keeps for each list: the rows' records, which go when the list is cleared, and the
    // row under the pointer.
    struct TListState {
        std::deque<TNodeData> nodes;
        HTREEITEM hotRow = nullptr;
    };
    TListState favoritesState;
    TListState recentState;
    TListState startMenuState;
    TListState searchState;

    // The program's own record that the window is shown; a minimised window counts as hidden.
    bool Shown = false;
    HWND PreviousForegroundWindow = nullptr;
    int MenuTop = 0;
    int MenuLeft = 0;
    TaskbarEdge taskbarEdge = TaskbarEdge::None;
    // The watch's period: 500 ms until it has hidden the menu once, then 1000 ms for the first tick
    // after a show and 100 ms after that.
    UINT foregroundCheckerInterval = 500;
    bool foregroundCheckerEnabled = false;
};

} // namespace halvex
