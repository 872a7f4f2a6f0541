// Loading of system DLLs. The menu starts at every logon from a folder the user may be able to write
// to; a DLL with a system name dropped there (or in whatever the current directory is) must never run
// inside the process.

#include "platform/SystemLibrary.h"

#include <string>
#include <string_view>

namespace halvex {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// A system DLL is named by its file name alone; anything with a folder in it is not ours to load.
bool IsPlainFileName(std::wstring_view name) noexcept
{
    return !name.empty() && name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

} // namespace

void RestrictDllSearchToSystem() noexcept
{
    // kernel32 is mapped into every process before any of our code runs, so asking for its handle
    // cannot load anything from elsewhere. SetDefaultDllDirectories exists from Windows 8 on (and on
    // Vista/7 with the loader update); without it the best left is to drop the current directory.
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories = kernel32
        ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
              reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
        : nullptr;
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept
{
    if (!name || !IsPlainFileName(name))
        return nullptr;
    if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Systems without the loader update reject the flag itself; any other error (the DLL is not in
    // the system folder) is final.
    if (::GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    try {
        std::wstring path(MAX_PATH, L'\0');
        const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
        if (length == 0 || length >= path.size())
            return nullptr;
        path.resize(length);
        path += L'\\';
        path += name;
        // The altered search path makes the DLL's own imports resolve from the system folder too.
        return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    } catch (...) {
        return nullptr;
    }
}

} // namespace halvex
