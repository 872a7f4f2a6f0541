#include "catalog/FavoriteItems.h"

#include "catalog/CatalogViews.h"
#include "catalog/ShortcutCaption.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Logger.h"
#include "platform/Utils.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace halvex {

namespace {

constexpr wchar_t StartScreenCaption[] = L"Veradav 8 Eved";

std::wstring FavoriteKey(const std::wstring& keyName) { return std::wstring(FavoriteKeyPath) + L"\\" + keyName; }

// The list, created on first use and kept until the process ends. UI thread only.
std::unique_ptr<TFavoriteList>& CurrentList()
{
    static std::unique_ptr<TFavoriteList> list;
    return list;
}

TFavoriteList& Favorites()
{
    auto& list = CurrentList();
    if (!list)
        GetFavoriteItems(true);
    return *list;
}

struct LoadedFavorite {
    std::unique_ptr<TFavoriteProgram> entry;
    bool hasIndex = false;
};

// Reads one record. Nothing when its "Path" cannot be read: such a record is neither shown nor
// touched. A "Caption" or "Index" that is missing gets a stand-in; one that is unreadable makes the
// entry read-only.
LoadedFavorite LoadFavorite(const std::wstring& name)
{
    LoadedFavorite loaded;
    UniqueHKey key = OpenStoreKey(FavoriteKey(name), KeyAccess::Read);
    if (!key)
        return loaded;
    const auto path = ReadStringValue(key.get(), L"Path");
    if (!path.read() || path.value.empty()) {
        Log(L"FavoriteItems.LoadFavorite: no readable Path, record left as it is: " + name);
        return loaded;
    }
    const auto caption = ReadStringValue(key.get(), L"Caption");
    const auto index = ReadDwordValue(key.get(), L"Index");

    auto entry = std::make_unique<TFavoriteProgram>();
    entry->KeyName = name;
    // The path is the identity and is compared lower-cased; a record written by hand may not be.
    entry->Path = LowerCase(path.value);
    entry->Caption = caption.read() ? caption.value : CaptionFromPath(path.value);
    entry->Index = static_cast<int>(index.value);
    entry->ReadOnly = caption.unreadable() || index.unreadable();
    if (entry->ReadOnly)
        Log(L"FavoriteItems.LoadFavorite: unreadable value, record kept read-only: " + name);
    loaded.hasIndex = index.read();
    loaded.entry = std::move(entry);
    return loaded;
}

// The list from the registry, in stored order. Records without an index follow the others in the
// order the registry lists them.
void LoadFavoriteItems(TFavoriteList& list)
{
    UniqueHKey root = OpenStoreKey(FavoriteKeyPath, KeyAccess::Read);
    if (!root)
        return;
    std::vector<LoadedFavorite> loaded;
    for (const std::wstring& name : SubKeyNames(root.get())) {
        LoadedFavorite favorite = LoadFavorite(name);
        if (favorite.entry)
            loaded.push_back(std::move(favorite));
    }
    std::stable_sort(loaded.begin(), loaded.end(), [](const LoadedFavorite& a, const LoadedFavorite& b) {
        if (a.hasIndex != b.hasIndex)
            return a.hasIndex;
        return a.hasIndex && a.entry->Index < b.entry->Index;
    });
    int64_t next = 0;
    for (LoadedFavorite& favorite : loaded) {
        if (!favorite.hasIndex)
            favorite.entry->Index = static_cast<int>(std::min<int64_t>(next, INT_MAX));
        next = static_cast<int64_t>(favorite.entry->Index) + 1;
        list.push_back(std::move(favorite.entry));
    }
}

// May a new favorite for path take the subkey name? Only when no other favorite owns it and no record
// there holds something that would be lost: a value that cannot be read, or another path.
bool MayTakeKey(const TFavoriteList& list, const std::wstring& name, const std::wstring& path)
{
    for (const auto& other : list)
        if (other->KeyName == name)
            return false;
    UniqueHKey key = OpenStoreKey(FavoriteKey(name), KeyAccess::Read);
    if (!key)
        return true;
    const auto storedPath = ReadStringValue(key.get(), L"Path");
    if (storedPath.unreadable() || (storedPath.read() && LowerCase(storedPath.value) != path))
        return false;
    return !ReadStringValue(key.get(), L"Caption").unreadable() && !ReadDwordValue(key.get(), L"Index").unreadable();
}

void SaveFavorite(const TFavoriteList& list, TFavoriteProgram& item)
{
    if (item.ReadOnly)
        return;
    if (item.KeyName.empty()) {
        std::wstring name = PathToKeyName(item.Path);
        if (!MayTakeKey(list, name, item.Path)) {
            Log(L"FavoriteItems.SaveFavorite: subkey holds a record that cannot be replaced: " + name);
            item.ReadOnly = true;
            return;
        }
        item.KeyName = std::move(name);
    }
    UniqueHKey key = OpenStoreKey(FavoriteKey(item.KeyName), KeyAccess::Create);
    if (!key) {
        Log(L"FavoriteItems.SaveFavorite: cannot open " + item.KeyName);
        return;
    }
    if (!WriteStringValue(key.get(), L"Caption", item.Caption) || !WriteStringValue(key.get(), L"Path", item.Path) ||
        !WriteDwordValue(key.get(), L"Index", static_cast<DWORD>(item.Index)))
        Log(L"FavoriteItems.SaveFavorite: cannot write " + item.KeyName);
}

void SaveAll(const TFavoriteList& list, const std::vector<TFavoriteProgram*>& entries)
{
    for (TFavoriteProgram* entry : entries)
        SaveFavorite(list, *entry);
}

void DeleteFavoriteKey(const TFavoriteProgram& item)
{
    if (item.KeyName.empty())
        return;
    UniqueHKey root = OpenStoreKey(FavoriteKeyPath, KeyAccess::Write);
    if (!root)
        return;
    const LSTATUS status = ::RegDeleteTreeW(root.get(), item.KeyName.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        Log(L"FavoriteItems.DeleteFavoriteKey: cannot delete " + item.KeyName);
}

// Takes the item out of the list and the registry and renumbers the rest; the caller refills the views.
void Unpin(TFavoriteList& list, const TFavoriteProgram& item)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return entry.get() == &item; });
    if (it == list.end())
        return;
    DeleteFavoriteKey(item);
    list.erase(it);
    SaveAll(list, RenumberFavoriteList(list));
}

TFavoriteProgram& Insert(const std::wstring& caption, const std::wstring& path, int index)
{
    TFavoriteList& list = Favorites();
    const std::wstring lower = LowerCase(path);
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return entry->Path == lower; });
    TFavoriteProgram* entry = nullptr;
    bool isNew = false;
    if (it != list.end()) {
        entry = it->get();
    } else {
        auto created = std::make_unique<TFavoriteProgram>();
        created->Caption = caption;
        created->Path = lower;
        created->Index = INT_MAX;
        entry = created.get();
        list.push_back(std::move(created));
        isNew = true;
    }
    std::vector<TFavoriteProgram*> changed = PlaceFavorite(list, *entry, index);
    if (isNew && std::find(changed.begin(), changed.end(), entry) == changed.end())
        changed.push_back(entry);
    SaveAll(list, changed);
    return *entry;
}

} // namespace

const std::wstring& TFavoriteProgram::Target() const
{
    if (!target_.empty())
        return target_;
    if (Path.size() >= 4 && LowerCase(std::wstring_view(Path).substr(Path.size() - 4)) == L".lnk") {
        // Resolving a shortcut needs COM; a "/pin" process may not have it on this thread yet.
        ComInit com;
        target_ = LowerCase(XFile::GetShortcutPath(Path));
    }
    if (target_.empty())
        target_ = LowerCase(Path);
    return target_;
}

const TFavoriteList& GetFavoriteItems(bool reload)
{
    auto& list = CurrentList();
    if (list && !reload)
        return *list;
    auto fresh = std::make_unique<TFavoriteList>();
    LoadFavoriteItems(*fresh);
    list = std::move(fresh);
    return *list;
}

void TogglePin(const std::wstring& path)
{
    TFavoriteList& list = Favorites();
    const std::wstring lower = LowerCase(path);
    for (const auto& entry : list) {
        if (entry->Path == lower || entry->Target() == lower) {
            Unpin(list, *entry);
            FillFavoritesView();
            FillRecentView();
            return;
        }
    }
    // Past the end as long as there are at most 1000 favorites; with more, it lands at position 1000.
    Insert(CaptionFromPath(path), path, 1000);
    FillFavoritesView();
    FillRecentView();
}

TFavoriteProgram& InsertFavorite(const std::wstring& caption, const std::wstring& path, int index,
                                 bool refreshView)
{
    TFavoriteProgram& entry = Insert(caption, path, index);
    if (refreshView)
        FillFavoritesView();
    return entry;
}

void RemoveFavorite(const TFavoriteProgram& item)
{
    Unpin(Favorites(), item);
    FillFavoritesView();
}

void RenumberFavorites()
{
    TFavoriteList& list = Favorites();
    SaveAll(list, RenumberFavoriteList(list));
}

bool IsPinnedAsFavorite(const std::wstring& lowerPath)
{
    const TFavoriteList& list = Favorites();
    return std::any_of(list.begin(), list.end(),
                       [&](const auto& entry) { return entry->Path == lowerPath || entry->Target() == lowerPath; });
}

void ActivateFavorite(const TFavoriteProgram& item)
{
    // Copies: hiding the menu may refill its lists.
    const std::wstring caption = item.Caption;
    const std::wstring path = item.Path;
    HideMenuView();
    if (caption == StartScreenCaption)
        PressStartScreenKey();
    else
        LaunchItem(path);
}

void PressStartScreenKey()
{
    ::keybd_event(VK_RWIN, 0, 0, 0);
    ::keybd_event(VK_RWIN, 0, KEYEVENTF_KEYUP, 0);
}

std::vector<TFavoriteProgram*> PlaceFavorite(TFavoriteList& list, TFavoriteProgram& entry, int index)
{
    auto from = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.get() == &entry; });
    if (from == list.end())
        return {};
    std::unique_ptr<TFavoriteProgram> moving = std::move(*from);
    list.erase(from);
    auto to = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e->Index >= index; });
    list.insert(to, std::move(moving));
    return RenumberFavoriteList(list);
}

std::vector<TFavoriteProgram*> RenumberFavoriteList(TFavoriteList& list)
{
    std::vector<TFavoriteProgram*> changed;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->Index != static_cast<int>(i)) {
            list[i]->Index = static_cast<int>(i);
            changed.push_back(list[i].get());
        }
    }
    return changed;
}

} // namespace halvex
