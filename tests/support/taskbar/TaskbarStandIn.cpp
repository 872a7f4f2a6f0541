// Plays the part of the Windows 8 taskbar, which Wine does not have: a top-level "Shell_TrayWnd" at a
// chosen screen edge with a "ReBarWindow32" task band container that it lays out again at its edge
// whenever it changes (as Explorer does), optionally the switcher tile "ImmersiveSwitchList" in the
// bottom-left corner, and a count of the SC_TASKLIST requests that would open the Start screen.
//
//   TaskbarStandIn.exe [--edge bottom|top|left|right] [--thickness N] [--switch-list[=SIZE]]

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include "StandInProtocol.h"

#include <cwchar>
#include <string>

using standin::Edge;

namespace {

struct Options {
    Edge edge = Edge::Bottom;
    int thickness = 40;
    int switchListSize = 0;
};

Options options;
HWND tray = nullptr;
HWND bands = nullptr;
LONG taskListRequests = 0;

bool IsHorizontal(Edge edge) { return edge == Edge::Top || edge == Edge::Bottom; }

RECT TrayRect(Edge edge, int thickness)
{
    const int w = ::GetSystemMetrics(SM_CXSCREEN);
    const int h = ::GetSystemMetrics(SM_CYSCREEN);
    switch (edge) {
    case Edge::Top: return {0, 0, w, thickness};
    case Edge::Left: return {0, 0, thickness, h};
    case Edge::Right: return {w - thickness, 0, w, h};
    case Edge::Bottom:
    default: return {0, h - thickness, w, h};
    }
}

// The bands start at the taskbar's near end (Windows 8 has no start button) and stop before the
// notification area.
void LayOutBands()
{
    if (!bands)
        return;
    RECT client{};
    ::GetClientRect(tray, &client);
    if (IsHorizontal(options.edge))
        ::MoveWindow(bands, 0, 0, client.right - standin::NotificationAreaLength, client.bottom, TRUE);
    else
        ::MoveWindow(bands, 0, 0, client.right, client.bottom - standin::NotificationAreaLength, TRUE);
}

void PlaceTray()
{
    RECT r = TrayRect(options.edge, options.thickness);
    ::SetWindowPos(tray, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
    LayOutBands();
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        LayOutBands();
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_TASKLIST) {
            ::InterlockedIncrement(&taskListRequests);
            return 0;
        }
        break;
    case standin::WM_STANDIN_TASKLIST_COUNT:
        return taskListRequests;
    case standin::WM_STANDIN_RELAYOUT:
        LayOutBands();
        return 1;
    case standin::WM_STANDIN_MOVE:
        if (wParam < 1 || wParam > 4 || lParam <= 0)
            return 0;
        options.edge = static_cast<Edge>(wParam);
        options.thickness = static_cast<int>(lParam);
        PlaceTray();
        return 1;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool ParseEdge(const wchar_t* text, Edge& edge)
{
    if (!std::wcscmp(text, L"bottom")) edge = Edge::Bottom;
    else if (!std::wcscmp(text, L"top")) edge = Edge::Top;
    else if (!std::wcscmp(text, L"left")) edge = Edge::Left;
    else if (!std::wcscmp(text, L"right")) edge = Edge::Right;
    else return false;
    return true;
}

bool ParseOptions(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--edge" && i + 1 < argc) {
            if (!ParseEdge(argv[++i], options.edge))
                return false;
        } else if (arg == L"--thickness" && i + 1 < argc) {
            options.thickness = _wtoi(argv[++i]);
            if (options.thickness <= 0)
                return false;
        } else if (arg == L"--switch-list") {
            options.switchListSize = 20;
        } else if (arg.rfind(L"--switch-list=", 0) == 0) {
            options.switchListSize = _wtoi(arg.c_str() + 14);
            if (options.switchListSize <= 0)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || !ParseOptions(argc, argv)) {
        ::MessageBoxW(nullptr,
                      L"TaskbarStandIn.exe [--edge bottom|top|left|right] [--thickness N] [--switch-list[=SIZE]]",
                      L"Taskbar stand-in", MB_OK);
        return 2;
    }
    ::LocalFree(argv);

    WNDCLASSW wc{};
    wc.lpfnWndProc = TrayProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = ::CreateSolidBrush(RGB(16, 16, 16));
    wc.lpszClassName = L"Shell_TrayWnd";
    if (!::RegisterClassW(&wc))
        return 1;

    // Topmost and shown, so that FindWindowW finds this window before the hidden "Shell_TrayWnd" that
    // Wine's own explorer keeps.
    RECT r = TrayRect(options.edge, options.thickness);
    tray = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"",
                             WS_POPUP | WS_CLIPCHILDREN, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             nullptr, nullptr, instance, nullptr);
    if (!tray)
        return 1;
    // The task band container only has to be found by its class and moved; a window of our own under
    // that name keeps exactly the place it is given (a real rebar without bands shrinks itself).
    WNDCLASSW bandClass{};
    bandClass.lpfnWndProc = ::DefWindowProcW;
    bandClass.hInstance = instance;
    bandClass.hbrBackground = ::CreateSolidBrush(RGB(40, 40, 40));
    bandClass.lpszClassName = L"ReBarWindow32";
    if (!::RegisterClassW(&bandClass))
        return 1;
    bands = ::CreateWindowExW(0, L"ReBarWindow32", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                              tray, nullptr, instance, nullptr);
    PlaceTray();

    if (options.switchListSize > 0) {
        WNDCLASSW tile{};
        tile.lpfnWndProc = ::DefWindowProcW;
        tile.hInstance = instance;
        tile.hbrBackground = ::CreateSolidBrush(RGB(0, 120, 215));
        tile.lpszClassName = L"ImmersiveSwitchList";
        ::RegisterClassW(&tile);
        const int s = options.switchListSize;
        ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"ImmersiveSwitchList", L"",
                          WS_POPUP | WS_VISIBLE, 0, ::GetSystemMetrics(SM_CYSCREEN) - s, s, s, nullptr,
                          nullptr, instance, nullptr);
    }

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
