#pragma once

// Loading of system DLLs and their exports at run time. The program starts at every logon; a DLL
// planted in its folder or the current directory must never be loaded in place of a system one.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

// Restricts the process's DLL search to the system folder. Call first thing in the process.
void RestrictDllSearchToSystem() noexcept;

// Loads a DLL of the system folder only (never from the program's folder or the current one).
// The caller owns the returned module (FreeLibrary, or UniqueModule).
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// Looks up an export of a system DLL that stays loaded for the life of the process; nullptr when
// the DLL or the export is missing. The DLL is always loaded through LoadSystemLibrary, never found
// by name among the modules already in the process; the reference taken here is never given back.
template <typename Function>
[[nodiscard]] Function GetSystemProc(const wchar_t* library, const char* name) noexcept
{
    HMODULE module = LoadSystemLibrary(library);
    if (!module)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace halvex
