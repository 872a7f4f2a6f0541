// catalog_benchmark: how long the All Programs rescan and a counted launch take. Not a test: it
// prints figures. Run it in a bench of its own (it fills the prefix's Programs folders):
//
//     tools/winbench exec build/x86_64/tests/catalog/catalog_benchmark.exe
//
// It builds a synthetic Start Menu of 2,000 shortcuts in 100 folders, split over the user's and the
// all-users Programs folders with clashes between them, and prints the median time of
// RescanStartMenu, the median time of the platform work any scan of that tree must do (listing every
// folder and asking the shell for every entry's display name, nothing else), and their ratio (the
// goal is at most 1.3). Then it loads 1,000 recent-program records and prints the time of
// RecordLaunch.

#include "CatalogTesting.h"

#include "catalog/RecentItems.h"
#include "catalog/StartMenuItems.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Utils.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace halvex;
using namespace catalog_testing;
using Microsoft::WRL::ComPtr;

namespace {

constexpr int UserFolders = 55;        // F00 to F54 in the user's folder
constexpr int CommonFirst = 45;        // F45 to F89 in the all-users folder: F45 to F54 are in both
constexpr int CommonFolders = 45;
constexpr int ShortcutsPerFolder = 20;  // 100 folders x 20 = 2,000 shortcuts
// Each display name costs the shell milliseconds under Wine (a run takes seconds): five runs each.
constexpr int Runs = 5;
constexpr wchar_t TreeName[] = L"Benchmark";  // one folder per root holds the synthetic tree

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Time(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return Milliseconds(Clock::now() - start);
}

bool MakeShortcut(const std::wstring& path, const std::wstring& target)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    return SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
           SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link.As(&file)) &&
           SUCCEEDED(file->Save(path.c_str(), TRUE));
}

// Fills both roots; every shortcut is a copy of one real shortcut file. In the folders both roots
// have, every other shortcut has a namesake in the other root in another case.
int BuildTree(const StartMenuRoots& roots, const std::wstring& target)
{
    const std::wstring model = roots.User + L"model.lnk";
    if (!MakeShortcut(model, target))
        return -1;
    int shortcuts = 0;
    auto fill = [&](const std::wstring& root, int first, int count, bool upper) {
        for (int f = first; f < first + count; ++f) {
            wchar_t folderName[16];
            std::swprintf(folderName, 16, L"F%02d", f);
            // Every tenth folder sits inside the one before it, so that the tree has depth.
            const std::wstring parent = f % 10 == 9 ? root + TreeName + L"\\F" + std::to_wstring(f - 1) + L"\\"
                                                    : root + TreeName + L"\\";
            const std::wstring folder = parent + folderName + L"\\";
            MakeFolder(folder);
            for (int s = 0; s < ShortcutsPerFolder; ++s) {
                std::wstring name = L"Program " + std::to_wstring(f) + L"-" + std::to_wstring(s) + L".lnk";
                if (upper && s % 2 == 0)
                    name = L"PROGRAM " + std::to_wstring(f) + L"-" + std::to_wstring(s) + L".lnk";
                if (::CopyFileW(model.c_str(), (folder + name).c_str(), FALSE))
                    ++shortcuts;
            }
        }
    };
    fill(roots.User, 0, UserFolders, false);
    fill(roots.Common, CommonFirst, CommonFolders, true);
    ::DeleteFileW(model.c_str());
    return shortcuts;
}

// The work no scan can avoid: list every folder of both roots and ask the shell for the display name
// of every entry.
size_t PlatformWork(const std::wstring& folder)
{
    size_t entries = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L'*').c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + name;
        SHFILEINFOW info{};
        ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME);
        ++entries;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            entries += PlatformWork(path + L'\\');
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return entries;
}

size_t CountEntries(const TStartMenuList* list)
{
    size_t count = 0;
    if (list)
        for (const auto& item : *list)
            count += 1 + CountEntries(item->Children.get());
    return count;
}

void SeedRecent(int count, const std::vector<std::wstring>& paths)
{
    for (int i = 0; i < count; ++i) {
        const std::wstring lower = LowerCase(paths[static_cast<size_t>(i) % paths.size()]);
        UniqueHKey key = OpenStoreKey(std::wstring(RecentKeyPath) + L"\\" + PathToKeyName(lower), KeyAccess::Create);
        (void)WriteStringValue(key.get(), L"Caption", L"Program " + std::to_wstring(i));
        (void)WriteStringValue(key.get(), L"Path", lower);
        (void)WriteDoubleValue(key.get(), L"LastStart", 45000.0 + i);
        (void)WriteDwordValue(key.get(), L"StartCount", static_cast<DWORD>(i % 37 + 1));
    }
}

std::vector<std::wstring> ShortcutPaths(const TStartMenuList* list)
{
    std::vector<std::wstring> paths;
    if (list)
        for (const auto& item : *list) {
            if (item->IsFolder) {
                auto inner = ShortcutPaths(item->Children.get());
                paths.insert(paths.end(), inner.begin(), inner.end());
            } else {
                paths.push_back(item->FullPath);
            }
        }
    return paths;
}

} // namespace

int wmain()
{
    ComInit com;
    const StartMenuRoots roots = GetStartMenuRoots();
    if (roots.User.empty() || roots.Common.empty()) {
        std::fwprintf(stderr, L"the Programs folders cannot be located\n");
        return 1;
    }
    ScratchFolder targets{L"benchmark"};
    const std::wstring target = targets / L"program.exe";
    TouchFile(target);
    RemoveTree(roots.User + TreeName);
    RemoveTree(roots.Common + TreeName);
    const int shortcuts = BuildTree(roots, target);
    if (shortcuts < 0) {
        std::fwprintf(stderr, L"cannot make a shortcut\n");
        return 1;
    }

    // Warm both paths up once (the shell's caches, the file system's), then alternate them.
    RescanStartMenu();
    size_t platformEntries = PlatformWork(roots.User) + PlatformWork(roots.Common);
    std::vector<double> rescans, platform;
    for (int run = 0; run < Runs; ++run) {
        rescans.push_back(Time([] { RescanStartMenu(); }));
        platform.push_back(Time([&] { platformEntries = PlatformWork(roots.User) + PlatformWork(roots.Common); }));
    }
    const TStartMenuList* tree = RescanStartMenu();
    const double rescan = Median(rescans);
    const double unavoidable = Median(platform);

    std::wprintf(L"Synthetic Start Menu: %d shortcuts in %d folders (%d in the user's, %d in all users'; "
                 L"%d folders in both)\n",
                 shortcuts, UserFolders + CommonFolders, UserFolders, CommonFolders,
                 UserFolders - CommonFirst);
    std::wprintf(L"  entries listed: %zu on disk, %zu in the merged tree\n", platformEntries, CountEntries(tree));
    std::wprintf(L"RescanStartMenu                   median %8.1f ms  (%d runs)\n", rescan, Runs);
    std::wprintf(L"Listing + display names alone     median %8.1f ms  (%d runs)\n", unavoidable, Runs);
    std::wprintf(L"Ratio                                    %8.2f     (goal: at most 1.30)\n", rescan / unavoidable);

    {
        RedirectedHkcu hkcu;
        const std::vector<std::wstring> paths = ShortcutPaths(tree);
        SeedRecent(1000, paths);
        const double load = Time([] { GetRecentItems(true); });
        const size_t listed = GetRecentItems(false).size();
        const std::wstring known = paths[10];
        std::vector<double> launches;
        for (int run = 0; run < 21; ++run)
            launches.push_back(Time([&] { RecordLaunch(L"Known", known); }));
        const double firstLaunch = Time([&] { RecordLaunch(L"New", targets / L"new program.lnk"); });
        std::wprintf(L"GetRecentItems(true), 1000 records        %8.2f ms  (%zu listed)\n", load, listed);
        std::wprintf(L"RecordLaunch, 1000 records loaded  median %8.2f ms  (a listed program, 21 runs)\n",
                     Median(launches));
        std::wprintf(L"RecordLaunch of a new program              %8.2f ms\n", firstLaunch);
    }

    RemoveTree(roots.User + TreeName);
    RemoveTree(roots.Common + TreeName);
    return 0;
}
