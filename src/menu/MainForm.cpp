#include "menu/MainForm.h"

#include "catalog/CatalogViews.h"
#include "catalog/FavoriteItems.h"
#include "menu/Placement.h"
#include "menu/TreeRows.h"
#include "platform/Closing.h"
#include "platform/Handles.h"
#include "platform/Logger.h"
#include "platform/Messages.h"
#include "platform/SystemLibrary.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

namespace halvex {

namespace {

constexpr COLORREF MenuColour = RGB(77, 141, 198);
constexpr UINT DelayedStartMs = 2000;
constexpr UINT WatchFirstIntervalMs = 500;
constexpr UINT WatchAfterHideIntervalMs = 1000;
constexpr UINT WatchIntervalMs = 100;

// A process of a lower integrity level ("/pin" started by Explorer) may send WM_PIN_PATH and
// WM_OPEN_START_SCREEN; WM_TOGGLE_MENU comes only from our own hook thread. The filter call does
// not exist before Vista, hence the lookup.
void AllowPrivateMessage(UINT message)
{
    using ChangeFilter = BOOL(WINAPI*)(UINT, DWORD);
    static const auto change = GetSystemProc<ChangeFilter>(L"user32.dll", "ChangeWindowMessageFilter");
    if (change)
        change(message, MSGFLT_ADD);
}

// Lets the shell fill its icon cache up front (an export known only by its number).
void InitialiseShellIconCache()
{
    using FileIconInit = BOOL(WINAPI*)(BOOL);
    if (auto init = GetSystemProc<FileIconInit>(L"shell32.dll", MAKEINTRESOURCEA(660)))
        init(TRUE);
}

// The menu has no taskbar button. Without a shell taskbar the object fails; the menu then keeps
// its button rather than not starting at all.
void RemoveTaskbarButton(HWND window)
{
    ComPtr<ITaskbarList> taskbarList;
    if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&taskbarList))) ||
        FAILED(taskbarList->HrInit()) || FAILED(taskbarList->DeleteTab(window)))
        Log(L"MainForm.FormCreate: the taskbar button could not be removed");
}

// Gives memory back between uses, so that the resident process stays small while it waits.
void TrimWorkingSet() noexcept
{
    ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

RECT PrimaryMonitorRect()
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR primary = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (primary && ::GetMonitorInfoW(primary, &info))
        return info.rcMonitor;
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

bool TMainForm::CreateMenuWindow() noexcept
{
    static HBRUSH background = ::CreateSolidBrush(MenuColour);
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!RegisterClassOnce(MenuWindowClass, background, icon))
        return false;
    RECT frame{0, 0, DefaultWidth, DefaultHeight};
    ::AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOPMOST);
    return Create(WS_EX_TOPMOST, MenuWindowClass, L"Halvex Start Menu", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr);
}

void TMainForm::FormCreate()
{
    RemoveTaskbarButton(handle());
    AllowPrivateMessage(WM_PIN_PATH);
    AllowPrivateMessage(WM_OPEN_START_SCREEN);
    // Settings are loaded here once the settings store exists.
    InitialiseShellIconCache();
    // The icon-index tables come here, and the right column after the window font.
    CreateControls();
    ViewMode = TViewMode::Default;
    UpdateView();
    ::SetTimer(handle(), tmrDelayInit, DelayedStartMs, nullptr);
    // Then: the input hooks, the account picture and the watch over the Programs folders.
    PositionMenu();
    SetCatalogViewCallbacks({[this] { FillFavorites(); }, [this] { FillRecent(); }, [this] { HideMenu(); }});
    FillFavorites();
    FillRecent();
    // Then the favorites' and recent programs' icons, and last the start button.
}

void TMainForm::FormDestroy()
{
    // First the start button goes and the task bands get their place back.
    Closing = true;
    SetCatalogViewCallbacks({});
    // Then the folder watchers and the input hooks stop. The worker threads see Closing and end while
    // the queue is served a few more times.
    for (int i = 0; i < 3; ++i) {
        ProcessPendingMessages();
        ::Sleep(100);
    }
}

void TMainForm::DispatchWithPreview(MSG& msg)
{
    if (PreviewKey(msg))
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

bool TMainForm::ProcessPendingMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchWithPreview(msg);
    }
    return true;
}

void TMainForm::tmrDelayInitTimer()
{
    ::KillTimer(handle(), tmrDelayInit);
    FillAllPrograms();
    PreloadStartMenuIcons();
    TrimWorkingSet();
}

void TMainForm::PreloadStartMenuIcons()
{
    // Asking the tree for a top-level row's icon, as painting would, has the icon cache resolve it (or
    // queue its extraction) before the user first opens All Programs. The walk is paced, and serves the
    // queue between rows, so that the menu keeps answering while it runs.
    const unsigned generation = startMenuGeneration;
    for (HTREEITEM row = TreeView_GetRoot(vstStartMenu); row; row = NextInTreeOrder(vstStartMenu, row)) {
        if (!TreeView_GetParent(vstStartMenu, row)) {
            TVITEMW item{};
            item.mask = TVIF_HANDLE | TVIF_IMAGE;
            item.hItem = row;
            TreeView_GetItem(vstStartMenu, &item);
        }
        for (int pause = 0; pause < 4; ++pause) {
            ::Sleep(10);
            if (!ProcessPendingMessages() || Closing)
                return;
            // A refill while the queue was served has taken the rows away.
            if (generation != startMenuGeneration)
                return;
        }
    }
}

void TMainForm::ShowAtStart()
{
    ::ShowWindow(handle(), SW_SHOW);
    Shown = true;
    StartForegroundWatch();
    UpdateView();
}

void TMainForm::HideAtStart()
{
    ::ShowWindow(handle(), SW_SHOWMINNOACTIVE);
    ::ShowWindow(handle(), SW_HIDE);
    Shown = false;
}

void TMainForm::ShowMenu()
{
    if (Closing)
        return;
    PreviousForegroundWindow = ::GetForegroundWindow();
    // A round trip through the minimised state makes Windows show the window restored and in front.
    SetWindowShowState(handle(), SW_SHOWMINNOACTIVE);
    SetWindowShowState(handle(), SW_RESTORE);
    PositionMenu();
    ::ShowWindow(handle(), SW_SHOW);
    Shown = true;
    StartForegroundWatch();
    UpdateView();
}

void TMainForm::HideMenu()
{
    StopForegroundWatch();
    wheelPanning.Stop();
    ::ShowWindow(handle(), SW_HIDE);
    Shown = false;
    SetWindowShowState(handle(), SW_SHOWMINNOACTIVE);
    ViewMode = TViewMode::Default;
    UpdateView();
    TrimWorkingSet();
}

void TMainForm::PositionMenu()
{
    PreviousForegroundWindow = ::GetForegroundWindow();
    const TaskbarPlace taskbar = GetTaskbarEdge();
    taskbarEdge = taskbar.edge;
    RECT window{};
    ::GetWindowRect(handle(), &window);
    const MenuPlacement place =
        PlaceMenu(taskbar, PrimaryMonitorRect(), window.right - window.left, window.bottom - window.top);
    if (place.move) {
        ::SetWindowPos(handle(), nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (place.rightColumnOnLeft != rightColumnOnLeft) {
            rightColumnOnLeft = place.rightColumnOnLeft;
            LayOutControls();
        }
    }
    ::GetWindowRect(handle(), &window);
    MenuTop = window.top;
    MenuLeft = window.left;
}

void TMainForm::ForceForegroundWindow(HWND window) noexcept
{
    ::LockSetForegroundWindow(LSFW_UNLOCK);
    if (::IsIconic(window))
        ::ShowWindowAsync(window, SW_RESTORE);
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(window);
    ::LockSetForegroundWindow(LSFW_LOCK);
}

bool TMainForm::SetWindowShowState(HWND window, UINT showCommand) noexcept
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!::GetWindowPlacement(window, &placement))
        return false;
    if (placement.rcNormalPosition.bottom - placement.rcNormalPosition.top < 50)
        return false;
    placement.showCmd = showCommand;
    return ::SetWindowPlacement(window, &placement) != FALSE;
}

void TMainForm::StartForegroundWatch()
{
    foregroundCheckerEnabled = true;
    ::SetTimer(handle(), tmrForegroundChecker, foregroundCheckerInterval, nullptr);
}

void TMainForm::StopForegroundWatch()
{
    foregroundCheckerEnabled = false;
    ::KillTimer(handle(), tmrForegroundChecker);
}

void TMainForm::tmrForegroundCheckerTimer()
{
    if (Closing || !foregroundCheckerEnabled)
        return;
    if (foregroundCheckerInterval == WatchAfterHideIntervalMs) {
        foregroundCheckerInterval = WatchIntervalMs;
        ::SetTimer(handle(), tmrForegroundChecker, foregroundCheckerInterval, nullptr);
    }
    HWND foreground = ::GetForegroundWindow();
    // The About and Options windows, once they exist, keep the menu open too.
    if (!foreground || foreground == handle())
        return;

    // The menu's own area, and with a bottom taskbar the strip down to the screen's edge: while the
    // pointer rests there, a window that took the foreground does not close the menu.
    RECT window{};
    ::GetWindowRect(handle(), &window);
    const RECT monitor = PrimaryMonitorRect();
    const LONG bottom =
        taskbarEdge == TaskbarEdge::Bottom ? monitor.bottom : monitor.top + (window.bottom - window.top);
    const RECT area{MenuLeft, MenuTop, MenuLeft + (window.right - window.left), bottom};
    POINT cursor{};
    ::GetCursorPos(&cursor);
    const bool inArea = cursor.x >= area.left && cursor.x <= area.right && cursor.y >= area.top &&
                        cursor.y <= area.bottom;
    if (inArea) {
        if (::GetAncestor(::WindowFromPoint(cursor), GA_ROOT) == handle())
            return;
        SetWindowShowState(handle(), SW_SHOWMINNOACTIVE);
        SetWindowShowState(handle(), SW_RESTORE);
        ForceForegroundWindow(handle());
        return;
    }
    StopForegroundWatch();
    foregroundCheckerInterval = WatchAfterHideIntervalMs;
    HideMenu();
}

void TMainForm::ToggleMenu()
{
    if (!Shown) {
        ShowMenu();
        return;
    }
    // A hide by the toggle keeps the watch and the view: the watch completes the hide at its next tick
    // (or brings the menu back while the pointer rests on it).
    wheelPanning.Stop();
    ::ShowWindow(handle(), SW_HIDE);
    Shown = false;
    if (PreviousForegroundWindow)
        ForceForegroundWindow(PreviousForegroundWindow);
}

void TMainForm::PinPathFromAtom(WPARAM atomNumber)
{
    // Only a string atom can carry a path: 0 is no atom, and numbers below 0xC000 are integer atoms
    // whose "name" would be their number.
    if (atomNumber < MAXINTATOM || atomNumber > 0xFFFF)
        return;
    const auto atom = static_cast<ATOM>(atomNumber);
    wchar_t path[MAX_PATH];
    const UINT length = ::GlobalGetAtomNameW(atom, path, MAX_PATH);
    if (length == 0)
        return;  // A deleted or foreign atom: there is no path to read.
    const UniqueAtom consumed(atom);  // the sender leaves the atom to us
    TogglePin(std::wstring(path, length));
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        FormCreate();
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == btnAllPrograms && HIWORD(wParam) == BN_CLICKED)
            btnAllProgramsClick();
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.hwndItem == btnAllPrograms) {
            DrawAllProgramsButton(item);
            return TRUE;
        }
        return FALSE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == pnlRight) {
            ::SetBkColor(reinterpret_cast<HDC>(wParam), MenuColour);
            return static_cast<LRESULT>(::GetClassLongPtrW(handle(), GCLP_HBRBACKGROUND));
        }
        return DefaultHandling(message, wParam, lParam);
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lParam) == edtSearch && searchPlaceholder) {
            ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_GRAYTEXT));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        }
        return DefaultHandling(message, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(handle(), &paint);
        PaintSideStrip(dc);
        ::EndPaint(handle(), &paint);
        return 0;
    }
    case WM_SETCURSOR: {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        ::ScreenToClient(handle(), &cursor);
        if (reinterpret_cast<HWND>(wParam) == handle() &&
            (::PtInRect(&imgWin8Menu, cursor) || ::PtInRect(&imgLabel, cursor))) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return DefaultHandling(message, wParam, lParam);
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != handle())
            CancelRowDrag();
        return 0;
    case WM_LBUTTONUP: {
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (dragSource) {
            POINT screen = at;
            ::ClientToScreen(handle(), &screen);
            EndRowDrag(screen);
            return 0;
        }
        if (::PtInRect(&imgWin8Menu, at))
            imgWin8MenuClick();
        else if (::PtInRect(&imgLabel, at))
            imgLabelClick();
        return 0;
    }
    case WM_TIMER:
        if (wParam == tmrDelayInit)
            tmrDelayInitTimer();
        else if (wParam == tmrForegroundChecker)
            tmrForegroundCheckerTimer();
        return 0;
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
        FormDestroy();
        ::PostQuitMessage(0);
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace halvex
