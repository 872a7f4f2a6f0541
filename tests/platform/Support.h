#pragma once

// Fixtures of the platform tests: scratch folders, real shortcuts made through IShellLinkW, icon
// inspection, the helper programs built beside the test executable, and polling with a deadline.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform_test {

using namespace std::chrono_literals;

// A new, empty folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& hint);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    [[nodiscard]] const std::wstring& path() const noexcept { return path_; }
    // path() + "\" + relative; the folders on the way are created.
    [[nodiscard]] std::wstring operator/(const std::wstring& relative) const;

private:
    std::wstring path_;
};

void WriteBytes(const std::wstring& path, const std::string& bytes);
bool CopyTo(const std::wstring& from, const std::wstring& to);

// A shortcut made as Explorer makes one: IShellLinkW + IPersistFile. The thread must have COM.
bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments = L"");
bool MakeShortcut(const std::wstring& linkPath, PCIDLIST_ABSOLUTE target);

// A helper program or DLL built into the folder of the running test executable.
std::wstring BesideTestExecutable(const std::wstring& fileName);

// True when the handle is a live icon (not destroyed).
bool IsLiveIcon(HICON icon);
// The pixel size of a live icon.
std::optional<SIZE> IconSize(HICON icon);
// A new icon owned by the caller, distinct from any other.
HICON NewIcon();

// Polls until the condition holds or the deadline passes; true when it held.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 20s);

// Replaces this executable's import of function from dll (its import table entry, through which the
// statically linked code under test calls it) for the object's lifetime.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch();

    [[nodiscard]] bool installed() const noexcept { return slot_ != nullptr; }
    [[nodiscard]] void* original() const noexcept { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

} // namespace platform_test
