// MakeShortcut.exe LINK TARGET: saves a shell shortcut at LINK (its folders made first) that points to
// TARGET; environment variables in LINK (%APPDATA%) are expanded. Exit code 0 on success. Used by
// scripts that seed a Start Menu in the bench.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    wchar_t expanded[MAX_PATH];
    const DWORD length = ::ExpandEnvironmentStringsW(argv[1], expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH)
        return 2;
    const std::wstring link = expanded;
    const size_t slash = link.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        ::SHCreateDirectoryExW(nullptr, link.substr(0, slash).c_str(), nullptr);
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    bool saved = false;
    {
        ComPtr<IShellLinkW> shortcut;
        ComPtr<IPersistFile> file;
        saved = SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shortcut))) &&
                SUCCEEDED(shortcut->SetPath(argv[2])) && SUCCEEDED(shortcut.As(&file)) &&
                SUCCEEDED(file->Save(link.c_str(), TRUE));
    }
    ::CoUninitialize();
    return saved ? 0 : 1;
}
