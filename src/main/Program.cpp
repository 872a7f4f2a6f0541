#include "main/Program.h"

#include "menu/MainForm.h"
#include "platform/Handles.h"
#include "platform/Logger.h"

namespace halvex {

namespace {

constexpr wchar_t InstanceGuardName[] = L"Halvex";
constexpr DWORD InstanceGuardSize = 10;

int RunMessageLoop() noexcept
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

int RunResidentMenu(bool startHidden) noexcept
{
    // Only its existence matters: a second resident process finds the name taken and ends silently.
    UniqueHandle guard(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            InstanceGuardSize, InstanceGuardName));
    if (guard && ::GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    TMainForm form;
    if (!form.CreateMenuWindow()) {
        Log(L"Program.RunResidentMenu: the menu window could not be created");
        return 0;
    }
    if (!startHidden)
        ::ShowWindow(form.handle(), SW_SHOW);
    RunMessageLoop();
    return 0;
}

} // namespace

int RunProgram(const std::vector<std::wstring>& arguments) noexcept
{
    try {
        const bool startup = !arguments.empty() && arguments.front() == L"/startup";
        return RunResidentMenu(startup);
    } catch (...) {
        Log(L"Program.RunProgram: unexpected failure");
        return 0;
    }
}

} // namespace halvex
