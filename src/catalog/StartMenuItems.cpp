#include "catalog/StartMenuItems.h"

#include "catalog/RecentItems.h"
#include "catalog/ShortcutCaption.h"
#include "platform/Handles.h"
#include "platform/Logger.h"
#include "platform/Utils.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

namespace halvex {

namespace {

// A folder as the file system knows it, whatever path led to it: a junction or a symbolic link
// opens the folder it points to.
struct FolderId {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FolderId&) const = default;
};

enum class FolderLookup { Found, Missing, Unknown };

FolderLookup IdentifyFolder(const std::wstring& folder, FolderId& id)
{
    UniqueFile handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FolderLookup::Missing
                                                                               : FolderLookup::Unknown;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.get(), &info))
        return FolderLookup::Unknown;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return FolderLookup::Found;
}

// Entries of one level by lower-cased caption; the first one added under a caption wins.
using EntryMap = std::unordered_map<std::wstring, std::unique_ptr<TStartMenuItem>>;

constexpr size_t RootCount = 2;  // the user's root first: on a clash the user's entry wins
using RootFlags = std::array<bool, RootCount>;

// Where identities cannot be read, a link cycle is only stopped by depth. No real Start Menu comes
// near this.
constexpr size_t MaxDepthWithoutIdentity = 32;

// Walks both roots down together, one level per call. Each root keeps the identities of the folders
// it has entered on the way down, so that a folder leading back to one of them is not entered again:
// a link pointing up the tree would otherwise be followed without end.
class StartMenuScanner {
public:
    explicit StartMenuScanner(const StartMenuRoots& roots) : roots_{&roots.User, &roots.Common} {}

    std::unique_ptr<TStartMenuList> ScanLevel(const std::wstring& relativeFolder, RootFlags active, size_t depth)
    {
        EntryMap files;
        EntryMap folders;
        RootFlags entered{};
        RootFlags pushed{};
        for (size_t r = 0; r < RootCount; ++r) {
            if (!active[r] || roots_[r]->empty())
                continue;
            const std::wstring folder = *roots_[r] + relativeFolder;
            FolderId id;
            const FolderLookup lookup = IdentifyFolder(folder, id);
            if (lookup == FolderLookup::Missing)
                continue;
            if (lookup == FolderLookup::Found) {
                if (std::find(ancestors_[r].begin(), ancestors_[r].end(), id) != ancestors_[r].end()) {
                    Log(L"StartMenuItems.Scan: folder leads back up the tree, not entered again: " + folder);
                    continue;
                }
                ancestors_[r].push_back(id);
                pushed[r] = true;
            } else if (depth >= MaxDepthWithoutIdentity) {
                continue;
            }
            entered[r] = true;
            Enumerate(folder, files, folders);
        }

        std::unique_ptr<TStartMenuList> list;
        if (!files.empty() || !folders.empty()) {
            list = std::make_unique<TStartMenuList>();
            list->reserve(files.size() + folders.size());
            for (auto& [key, item] : files)
                list->push_back(std::move(item));
            for (auto& [key, item] : folders) {
                item->Children = ScanLevel(relativeFolder + item->FileName + L'\\', entered, depth + 1);
                list->push_back(std::move(item));
            }
            std::sort(list->begin(), list->end(),
                      [](const auto& a, const auto& b) { return StartMenuOrder(*a, *b); });
        }

        for (size_t r = 0; r < RootCount; ++r)
            if (pushed[r])
                ancestors_[r].pop_back();
        return list;
    }

private:
    // Adds the entries of one folder (a root and a relative folder) to the maps. Every entry is listed,
    // hidden and system ones included; only the folder's own "desktop.ini" and "folder.htt" are not
    // programs.
    static void Enumerate(const std::wstring& folder, EntryMap& files, EntryMap& folders)
    {
        WIN32_FIND_DATAW found;
        UniqueFind find(::FindFirstFileW((folder + L'*').c_str(), &found));
        if (!find)
            return;
        const std::wstring lowerFolder = LowerCase(folder);
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring lowerName = LowerCase(name);
            if (lowerName == L"desktop.ini" || lowerName == L"folder.htt")
                continue;

            std::wstring fullPath = folder + name;
            SHFILEINFOW info{};
            std::wstring caption =
                ::SHGetFileInfoW(fullPath.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME) && info.szDisplayName[0]
                    ? std::wstring(info.szDisplayName)
                    : name;
            caption = WithoutShortcutExtension(caption);

            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            EntryMap& map = isFolder ? folders : files;
            std::wstring key = LowerCase(caption);
            if (map.contains(key))
                continue;
            auto item = std::make_unique<TStartMenuItem>();
            item->Caption = std::move(caption);
            item->FileName = name;
            item->FullPath = std::move(fullPath);
            // Lower-casing maps character by character, so the folder's lower case can be reused.
            item->LowerPath = lowerFolder + lowerName;
            item->IsFolder = isFolder;
            map.emplace(std::move(key), std::move(item));
        } while (::FindNextFileW(find.get(), &found));
    }

    std::array<const std::wstring*, RootCount> roots_;
    std::array<std::vector<FolderId>, RootCount> ancestors_;
};

// The tree of the last rescan; replaced whole by the next. UI thread only.
std::unique_ptr<TStartMenuList>& CurrentTree()
{
    static std::unique_ptr<TStartMenuList> tree;
    return tree;
}

} // namespace

StartMenuRoots GetStartMenuRoots()
{
    StartMenuRoots roots{GetSpecialFolderPath(CSIDL_PROGRAMS), GetSpecialFolderPath(CSIDL_COMMON_PROGRAMS)};
    AddTrailingBackslash(roots.User);
    AddTrailingBackslash(roots.Common);
    if (roots.User.empty() || roots.Common.empty())
        Log(L"StartMenuItems.GetStartMenuRoots: a Programs folder could not be located and is left out");
    return roots;
}

TStartMenuList* RescanStartMenu() { return RescanStartMenu(GetStartMenuRoots()); }

TStartMenuList* RescanStartMenu(const StartMenuRoots& roots)
{
    // Display names come from the shell, which needs COM on this thread.
    ComInit com;
    auto& tree = CurrentTree();
    tree.reset();
    tree = Scan(roots, L"");
    return tree.get();
}

std::unique_ptr<TStartMenuList> Scan(const StartMenuRoots& roots, const std::wstring& relativeFolder)
{
    StartMenuScanner scanner(roots);
    return scanner.ScanLevel(relativeFolder, RootFlags{true, true}, 0);
}

void ActivateStartMenuItem(const TStartMenuItem& item) { LaunchAndRecord(item.Caption, item.FullPath); }

bool StartMenuOrder(const TStartMenuItem& a, const TStartMenuItem& b)
{
    if (a.IsFolder != b.IsFolder)
        return !a.IsFolder;
    const int order = ::CompareStringW(LOCALE_USER_DEFAULT, 0, a.Caption.c_str(), static_cast<int>(a.Caption.size()),
                                       b.Caption.c_str(), static_cast<int>(b.Caption.size()));
    if (order == CSTR_LESS_THAN || order == CSTR_GREATER_THAN)
        return order == CSTR_LESS_THAN;
    // Equal to the collation (characters it ignores) or not comparable: a fixed order all the same.
    return a.Caption < b.Caption;
}

} // namespace halvex
