// DllSearchProbe.exe <mode> <dll name>: loads one DLL the way the mode says and reports through its
// exit code which file was loaded. A process of its own per case, because a DLL once loaded stays in
// the process and would answer every later load by name.
//
//   plain       LoadLibraryW, with the search order the process starts with
//   restricted  RestrictDllSearchToSystem first, then LoadLibraryW
//   system      LoadSystemLibrary

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/SystemLibrary.h"
#include "DllSearchProbe.h"

#include <cwctype>
#include <string>

namespace {

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

int Classify(HMODULE module)
{
    if (!module)
        return ProbeNotLoaded;
    if (::GetProcAddress(module, "HalvexPlantedMarker"))
        return ProbePlanted;
    wchar_t file[MAX_PATH * 2] = {}, system[MAX_PATH] = {};
    if (!::GetModuleFileNameW(module, file, MAX_PATH * 2) || !::GetSystemDirectoryW(system, MAX_PATH))
        return ProbeElsewhere;
    const std::wstring folder = Lower(std::wstring(system) + L"\\");
    const std::wstring path = Lower(file);
    return path.starts_with(folder) && path.find(L'\\', folder.size()) == std::wstring::npos ? ProbeSystem
                                                                                               : ProbeElsewhere;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return ProbeUsage;
    const std::wstring mode = argv[1];
    const wchar_t* name = argv[2];
    if (::GetModuleHandleW(name))
        return ProbeAlreadyLoaded;
    if (mode == L"plain")
        return Classify(::LoadLibraryW(name));
    if (mode == L"restricted") {
        halvex::RestrictDllSearchToSystem();
        return Classify(::LoadLibraryW(name));
    }
    if (mode == L"system")
        return Classify(halvex::LoadSystemLibrary(name));
    return ProbeUsage;
}
