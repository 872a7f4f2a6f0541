#pragma once

// Real parts for the catalog's tests: a scratch HKEY_CURRENT_USER for the test process, scratch
// folders in the prefix, shortcuts and links. Each test gets its own, so the tests can run beside
// other test programs on the same bench.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace catalog_testing {

// Redirects HKEY_CURRENT_USER of this process (every thread, shlwapi too) to a new, empty scratch key
// for as long as it lives; the scratch key is deleted afterwards.
class RedirectedHkcu {
public:
    RedirectedHkcu();
    RedirectedHkcu(const RedirectedHkcu&) = delete;
    RedirectedHkcu& operator=(const RedirectedHkcu&) = delete;
    ~RedirectedHkcu();

private:
    std::wstring scratchPath_;
    HKEY scratch_ = nullptr;
};

// A new folder under the prefix's temporary folder, removed with its contents afterwards (links are
// removed, not followed). path() has no trailing backslash.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& label = L"catalog");
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    [[nodiscard]] const std::wstring& path() const noexcept { return path_; }
    [[nodiscard]] std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

// Removes a folder and everything in it; a link to a folder is removed without entering it.
void RemoveTree(const std::wstring& folder);

// Every value of the HKEY_CURRENT_USER key at path, as type and bytes: to see that nothing in a
// record changed.
using RawValues = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
RawValues RawRecord(const std::wstring& path);

// Makes an empty file (and its folders).
void TouchFile(const std::wstring& path);
void MakeFolder(const std::wstring& path);

// Makes a symbolic link to a folder. Wine's CreateSymbolicLinkW reports success without making
// anything, so under Wine the link is made on the Unix side with ln -s. True when the link now leads
// to the target.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// Counts calls of the catalog's view callbacks, in order ("FillFavorites", "FillRecent", "HideMenu"),
// and registers itself for as long as it lives.
class RecordedViews {
public:
    RecordedViews();
    RecordedViews(const RecordedViews&) = delete;
    RecordedViews& operator=(const RecordedViews&) = delete;
    ~RecordedViews();

    std::vector<std::string> calls;
    // Called at each HideMenu, before it is recorded.
    std::function<void()> onHide;
};

} // namespace catalog_testing
