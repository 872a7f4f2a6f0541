#pragma once

// File, shortcut, icon and path helpers shared by the catalog and the views, and the one way the
// program launches anything. No routine here throws or shows a message: failures turn into the
// fallback results documented per routine (the input path, an empty string, false, an untouched
// icon slot).

#include "platform/Handles.h"

#include <string>
#include <string_view>

namespace halvex {

namespace XSystem {

// True when this is a 32-bit process on 64-bit Windows. Computed once per process.
[[nodiscard]] bool IsWow64() noexcept;

// Switch file-system redirection off and back on for the calling thread. Both return false and do
// nothing when the process is not under WOW64 (or the entry point is missing).
[[nodiscard]] bool Wow64DisableWow64FsRedirection(PVOID* oldValue) noexcept;
[[nodiscard]] bool Wow64RevertWow64FsRedirection(PVOID oldValue) noexcept;

} // namespace XSystem

// Brackets one platform call with redirection switched off; reverts in its destructor, so the
// revert runs also when the call fails or throws.
class RedirectionOff {
public:
    RedirectionOff() noexcept : disabled_(XSystem::Wow64DisableWow64FsRedirection(&oldValue_)) {}
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;
    ~RedirectionOff()
    {
        if (disabled_)
            (void)XSystem::Wow64RevertWow64FsRedirection(oldValue_);
    }

private:
    PVOID oldValue_ = nullptr;
    bool disabled_;
};

namespace XFile {

// The target of a shortcut file; the input path when it cannot be resolved (missing, not a
// shortcut, corrupt). Empty when the link's item has no file-system path.
[[nodiscard]] std::wstring GetShortcutPath(const std::wstring& path) noexcept;

// Fills the small and large icon slots for a path, or for a shell item's identifier list when the
// path is empty. A slot that receives an icon releases the one it held. True when icons were
// obtained; network paths ("\\server\...") are refused at once with false.
[[nodiscard]] bool ExtractIcons(const std::wstring& path, UniqueIcon& smallIcon, UniqueIcon& largeIcon,
                                PCIDLIST_ABSOLUTE idList = nullptr) noexcept;

} // namespace XFile

// The path of a special folder (CSIDL_*), created when missing; empty on failure.
[[nodiscard]] std::wstring GetSpecialFolderPath(int csidl) noexcept;

// Appends "\" unless the path is empty or already ends with one.
void AddTrailingBackslash(std::wstring& path);

// The text without its last count characters; unchanged for count <= 0, empty when shorter.
[[nodiscard]] std::wstring DropLastChars(std::wstring_view text, int count);

// A registry subkey name for a path: every "\" becomes "/".
[[nodiscard]] std::wstring PathToKeyName(std::wstring_view path);

// The identity of a program: its path lower-cased with the platform's own lower-casing.
[[nodiscard]] std::wstring LowerCase(std::wstring_view text);

// Opens a path through the shell (its identifier list when the shell can parse it, otherwise
// ShellExecuteW "open"). The outcome is not reported.
void LaunchItem(const std::wstring& path) noexcept;

// Opens a shell item by its identifier list; true when the shell accepted the request.
[[nodiscard]] bool LaunchIdList(PCIDLIST_ABSOLUTE idList) noexcept;

} // namespace halvex
