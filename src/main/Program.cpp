#include "main/Program.h"

#include "app/ShellIntegration.h"
#include "catalog/FavoriteItems.h"
#include "main/CommandLine.h"
#include "menu/MainForm.h"
#include "platform/Handles.h"
#include "platform/Logger.h"
#include "platform/Messages.h"

namespace halvex {

namespace {

constexpr wchar_t InstanceGuardName[] = L"Halvex";
constexpr DWORD InstanceGuardSize = 10;
constexpr UINT ReminderLifetimeMs = 5000;

void RunMessageLoop() noexcept
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// "/pin": a running menu toggles the pin itself, so that its lists change at once; without one, the
// registry is changed here and the next start shows it.
void HandOverPin(const std::vector<std::wstring>& arguments)
{
    const std::wstring path = RejoinPinPath(arguments);
    if (path.empty())
        return;  // Nothing to pin; Explorer never sends this, a mistyped command line might.

    HWND menu = ::FindWindowW(MenuWindowClass, nullptr);
    if (menu && path.size() <= MaxAtomLength) {
        // The menu reads the path from the atom and deletes it.
        if (ATOM atom = ::GlobalAddAtomW(path.c_str())) {
            ::SendMessageW(menu, WM_PIN_PATH, static_cast<WPARAM>(atom), MessageMarker);
            return;
        }
    }
    // No atom can carry a path over 255 characters (or the atom table is full): rather than send an
    // invalid atom, toggle the pin in the registry directly; a running menu shows it after a restart.
    TogglePin(path);
}

// "/metro": the taskbar opens the Windows Start screen, as the Windows key would without the menu.
void OpenStartScreen()
{
    if (HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr))
        ::SendMessageW(taskbar, WM_SYSCOMMAND, SC_TASKLIST, 0);
}

void CALLBACK EndReminder(HWND, UINT, UINT_PTR, DWORD) noexcept { ::PostQuitMessage(0); }

void ShowReminder()
{
    // The hint window comes later; until then the mode keeps its lifetime: five seconds, then the end.
    ::SetTimer(nullptr, 0, ReminderLifetimeMs, EndReminder);
    RunMessageLoop();
}

void RunResidentMenu(bool startHidden)
{
    ComInit com;
    // Only its existence matters: a second resident process finds the name taken and ends silently.
    // When the mapping cannot be made at all, the menu runs unguarded.
    UniqueHandle guard(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, InstanceGuardSize,
                                            InstanceGuardName));
    if (guard && ::GetLastError() == ERROR_ALREADY_EXISTS)
        return;

    TMainForm form;
    if (!form.CreateMenuWindow()) {
        Log(L"Program.RunResidentMenu: the menu window could not be created");
        return;
    }
    if (startHidden)
        form.HideAtStart();
    else
        form.ShowAtStart();
    // The menu window sees each key before the focused control does.
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        form.DispatchWithPreview(msg);
}

} // namespace

int RunProgram(const std::vector<std::wstring>& arguments) noexcept
{
    try {
        switch (SelectMode(arguments)) {
        case ProgramMode::Install:
            InstallShellVerb();
            AddDefaultFavorite();
            break;
        case ProgramMode::Uninstall:
            UninstallShellVerb();
            break;
        case ProgramMode::Pin:
            HandOverPin(arguments);
            break;
        case ProgramMode::Metro:
            OpenStartScreen();
            break;
        case ProgramMode::Reminder:
            ShowReminder();
            break;
        case ProgramMode::Startup:
            RunResidentMenu(true);
            break;
        case ProgramMode::Resident:
            RunResidentMenu(false);
            break;
        }
    } catch (...) {
        Log(L"Program.RunProgram: unexpected failure");
    }
    return 0;
}

} // namespace halvex
