// Shortcut, icon and special-folder helpers, the WOW64 redirection switches, and launching.
//
// These run on the UI thread and on the icon worker (which initialises COM for itself). The cached
// WOW64 answer and entry points are plain atomics: every thread that fills them writes the same value.

#include "platform/Utils.h"

#include "platform/Logger.h"
#include "platform/SystemLibrary.h"

#include <shellapi.h>
#include <wrl/client.h>

#include <atomic>
#include <climits>
#include <stdexcept>

namespace halvex {

using Microsoft::WRL::ComPtr;

namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
using Wow64DisableFunction = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFunction = BOOL(WINAPI*)(PVOID);

// -1 until the first IsWow64 call, then 0 or 1.
std::atomic<int> wow64State{-1};

// An entry point of kernel32 looked up on first use and kept; nullptr until then and when missing
// (the lookup is then repeated, which is harmless and rare: only systems without WOW64 lack them).
template <typename Function>
Function CachedKernel32Proc(std::atomic<Function>& cache, const char* name) noexcept
{
    Function function = cache.load(std::memory_order_acquire);
    if (!function) {
        function = GetSystemProc<Function>(L"kernel32.dll", name);
        cache.store(function, std::memory_order_release);
    }
    return function;
}

std::atomic<Wow64DisableFunction> wow64Disable{nullptr};
std::atomic<Wow64RevertFunction> wow64Revert{nullptr};

bool FileExists(const std::wstring& path) noexcept
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The extension of the last path component, lower-cased, dot included; empty when there is none.
std::wstring LowerExtension(const std::wstring& path)
{
    const size_t nameStart = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (nameStart != std::wstring::npos && dot < nameStart))
        return {};
    return LowerCase(std::wstring_view(path).substr(dot));
}

// SHGetFileInfoW takes either a path or, with SHGFI_PIDL, an identifier list in the same argument.
DWORD_PTR FileInfo(const std::wstring& path, PCIDLIST_ABSOLUTE idList, SHFILEINFOW& info, UINT flags) noexcept
{
    info = {};
    if (flags & SHGFI_PIDL)
        return ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(idList), 0, &info, sizeof info, flags);
    return ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, flags);
}

// An icon of the system image list that the shell returned alongside a file-info query.
HICON SystemListIcon(DWORD_PTR imageList, int index) noexcept
{
    return imageList ? ::ImageList_GetIcon(reinterpret_cast<HIMAGELIST>(imageList), index, ILD_IMAGE) : nullptr;
}

// The system image list's icon for a path, in the size the flags ask for.
HICON SystemListIcon(const std::wstring& path, UINT sizeFlag) noexcept
{
    SHFILEINFOW info;
    const DWORD_PTR imageList = FileInfo(path, nullptr, info, SHGFI_SYSICONINDEX | sizeFlag);
    return SystemListIcon(imageList, info.iIcon);
}

// The target of a shortcut file; see XFile::GetShortcutPath. Throws when the shell link object
// cannot be made.
std::wstring ResolveShortcut(const std::wstring& path)
{
    if (path.empty() || !FileExists(path))
        return path;
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
        throw std::runtime_error("no shell link object");
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(&file)))
        throw std::runtime_error("no IPersistFile on the shell link");

    HRESULT loaded;
    {
        RedirectionOff redirection;
        loaded = file->Load(path.c_str(), STGM_READ);
    }
    if (loaded != S_OK) {
        Log(L"XFile.GetShortcutPath: PFile.Load fail: " + path);
        return path;
    }

    wchar_t target[MAX_PATH + 1] = {};
    {
        RedirectionOff redirection;
        // No UI, no update of the file, Windows Installer shortcuts resolved, and at most 10 ms (the
        // high word) spent looking for a moved target, so a stale shortcut never stalls the menu.
        (void)link->Resolve(nullptr, MAKELONG(SLR_NO_UI | SLR_NOUPDATE | SLR_INVOKE_MSI, 10));
        UniquePidl idList;
        // A link to something outside the file system (a Control Panel item) has no path: empty.
        if (SUCCEEDED(link->GetIDList(idList.put())) && idList && !::SHGetPathFromIDListW(idList.get(), target))
            target[0] = L'\0';
    }
    return target;
}

} // namespace

namespace XSystem {

bool IsWow64() noexcept
{
    int state = wow64State.load(std::memory_order_acquire);
    if (state < 0) {
        BOOL wow64 = FALSE;
        const auto isWow64Process = GetSystemProc<IsWow64ProcessFunction>(L"kernel32.dll", "IsWow64Process");
        state = isWow64Process && isWow64Process(::GetCurrentProcess(), &wow64) && wow64 ? 1 : 0;
        wow64State.store(state, std::memory_order_release);
    }
    return state == 1;
}

bool Wow64DisableWow64FsRedirection(PVOID* oldValue) noexcept
{
    if (!IsWow64())
        return false;
    const auto disable = CachedKernel32Proc(wow64Disable, "Wow64DisableWow64FsRedirection");
    const bool ok = disable && disable(oldValue);
    if (!ok)
        Log(L"XSystem.Wow64DisableWow64FsRedirection: Wow64DisableWow64FsRedirection fail");
    return ok;
}

bool Wow64RevertWow64FsRedirection(PVOID oldValue) noexcept
{
    if (!IsWow64())
        return false;
    const auto revert = CachedKernel32Proc(wow64Revert, "Wow64RevertWow64FsRedirection");
    const bool ok = revert && revert(oldValue);
    if (!ok)
        Log(L"XSystem.Wow64RevertWow64FsRedirection: Wow64RevertWow64FsRedirection fail");
    return ok;
}

} // namespace XSystem

namespace XFile {

std::wstring GetShortcutPath(const std::wstring& path) noexcept
{
    try {
        return ResolveShortcut(path);
    } catch (...) {
        try {
            Log(L"XFile.GetShortcutPath: Common error: Path=" + path);
            return path;
        } catch (...) {
            return {};
        }
    }
}

bool ExtractIcons(const std::wstring& path, UniqueIcon& smallIcon, UniqueIcon& largeIcon,
                  PCIDLIST_ABSOLUTE idList) noexcept
{
    // A network path may hang on an unreachable server; such entries keep their placeholder.
    if (path.starts_with(L"\\\\"))
        return false;

    std::wstring current;
    try {
        current = path;
    } catch (...) {
        return false;
    }
    SHFILEINFOW info;

    if (!current.empty()) {
        // The cheapest source first: the shell's cached system image list.
        if (HICON icon = SystemListIcon(current, SHGFI_SMALLICON))
            smallIcon.reset(icon);
        if (HICON icon = SystemListIcon(current, SHGFI_LARGEICON)) {
            largeIcon.reset(icon);
            return true;
        }

        try {
            if (LowerExtension(current) == L".lnk") {
                std::wstring target = GetShortcutPath(current);
                if (!target.empty() && FileExists(target))
                    current = std::move(target);
            }
            if (LowerExtension(current) == L".exe") {
                UINT count;
                {
                    RedirectionOff redirection;
                    count = ::ExtractIconExW(current.c_str(), -1, nullptr, nullptr, 0);
                }
                if (count > 0 && count != UINT_MAX) {
                    HICON large = nullptr, small = nullptr;
                    {
                        RedirectionOff redirection;
                        ::ExtractIconExW(current.c_str(), 0, &large, &small, 1);
                    }
                    if (small)
                        smallIcon.reset(small);
                    if (large)
                        largeIcon.reset(large);
                    return true;
                }
            }
        } catch (...) {
            return false;
        }
    }

    // The generic icon of the item's type; with an identifier list this is the only source.
    try {
        const bool byIdList = current.empty();
        DWORD_PTR imageList = 0;
        if (byIdList) {
            imageList = FileInfo(current, idList, info, SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_PIDL | SHGFI_SMALLICON);
        } else if (!FileInfo(current, nullptr, info, SHGFI_ICON | SHGFI_SMALLICON)) {
            Log(L"XFile.ExtractIcons SHGetFileInfo 1 fail");
        }
        if (!info.hIcon && XSystem::IsWow64()) {
            RedirectionOff redirection;
            if (byIdList)
                FileInfo(current, idList, info, SHGFI_ICON | SHGFI_PIDL | SHGFI_SMALLICON);
            else
                FileInfo(current, nullptr, info, SHGFI_ICON | SHGFI_SMALLICON);
        }
        if (byIdList) {
            // The shell handed over an icon of its own with the index; the slot takes a copy from
            // the image list, so that one must go, or every search result would leak a handle.
            UniqueIcon returned(info.hIcon);
            if (returned)
                if (HICON icon = SystemListIcon(imageList, info.iIcon))
                    smallIcon.reset(icon);
            return true;
        }
        if (info.hIcon)
            smallIcon.reset(info.hIcon);

        if (!FileInfo(current, nullptr, info, SHGFI_SYSICONINDEX | SHGFI_ICON))
            Log(L"XFile.ExtractIcons SHGetFileInfo 1 fail");
        if (!info.hIcon && XSystem::IsWow64()) {
            RedirectionOff redirection;
            FileInfo(current, nullptr, info, SHGFI_ICON);
        }
        if (!info.hIcon)
            return false;
        largeIcon.reset(info.hIcon);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace XFile

std::wstring GetSpecialFolderPath(int csidl) noexcept
{
    // The wide call: a profile path may hold characters that no ANSI code page can carry.
    wchar_t buffer[MAX_PATH + 1] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    try {
        return buffer;
    } catch (...) {
        return {};
    }
}

void LaunchItem(const std::wstring& path) noexcept
{
    UniquePidl idList;
    SFGAOF attributes = 0;
    if (SUCCEEDED(::SHParseDisplayName(path.c_str(), nullptr, idList.put(), 0, &attributes)) && idList) {
        (void)LaunchIdList(idList.get());
        return;
    }
    // Not something the shell namespace knows (a bare program name, say): let the shell try it as
    // a command. Neither working directory nor arguments: a shortcut brings its own.
    ::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool LaunchIdList(PCIDLIST_ABSOLUTE idList) noexcept
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.lpVerb = L"open";
    info.nShow = SW_RESTORE;
    info.lpIDList = const_cast<ITEMIDLIST*>(static_cast<const ITEMIDLIST*>(idList));
    return ::ShellExecuteExW(&info) != FALSE;
}

} // namespace halvex
