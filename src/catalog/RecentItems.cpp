#include "catalog/RecentItems.h"

#include "catalog/CatalogViews.h"
#include "catalog/ShortcutCaption.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Logger.h"
#include "platform/Utils.h"

#include <algorithm>

namespace halvex {

namespace {

std::wstring RecentKey(const std::wstring& keyName) { return std::wstring(RecentKeyPath) + L"\\" + keyName; }

std::unique_ptr<TRecentList>& CurrentList()
{
    static std::unique_ptr<TRecentList> list;
    return list;
}

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SortByRank(TRecentList& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a->StartCount > b->StartCount; });
}

// One stored record, value by value.
struct StoredRecord {
    bool exists = false;
    StoredValue<std::wstring> caption;
    StoredValue<std::wstring> path;
    StoredValue<double> lastStart;
    StoredValue<DWORD> startCount;

    [[nodiscard]] bool HasUnreadableValue() const
    {
        return caption.unreadable() || path.unreadable() || lastStart.unreadable() || startCount.unreadable();
    }
};

StoredRecord ReadRecord(const std::wstring& name)
{
    StoredRecord record;
    UniqueHKey key = OpenStoreKey(RecentKey(name), KeyAccess::Read);
    if (!key)
        return record;
    record.exists = true;
    record.caption = ReadStringValue(key.get(), L"Caption");
    record.path = ReadStringValue(key.get(), L"Path");
    record.lastStart = ReadDoubleValue(key.get(), L"LastStart");
    record.startCount = ReadDwordValue(key.get(), L"StartCount");
    return record;
}

// The program a record stands for, with path as its identity. A missing value reads as empty or
// zero; a value that cannot be read makes the program read-only. A caption that is missing or cannot
// be read is made from the path.
std::unique_ptr<TRecentProgram> ProgramFromRecord(const StoredRecord& record, const std::wstring& lowerPath)
{
    auto item = std::make_unique<TRecentProgram>();
    item->Path = lowerPath;
    item->Caption = record.caption.read() ? record.caption.value : CaptionFromPath(lowerPath);
    item->LastStart = record.lastStart.value;
    item->StartCount = static_cast<int32_t>(record.startCount.value);
    item->ReadOnly = record.HasUnreadableValue();
    return item;
}

// Nothing when the record has no readable "Path": it can be neither shown nor launched, and it is
// left as it is.
std::unique_ptr<TRecentProgram> LoadRecentProgram(const std::wstring& name)
{
    const StoredRecord record = ReadRecord(name);
    if (!record.exists)
        return nullptr;
    if (!record.path.read() || record.path.value.empty()) {
        Log(L"RecentItems.LoadRecentProgram: no readable Path, record left as it is: " + name);
        return nullptr;
    }
    if (record.HasUnreadableValue())
        Log(L"RecentItems.LoadRecentProgram: unreadable value, record kept read-only: " + name);
    return ProgramFromRecord(record, LowerCase(record.path.value));
}

void LoadRecentItems(TRecentList& list)
{
    UniqueHKey root = OpenStoreKey(RecentKeyPath, KeyAccess::Read);
    if (!root)
        return;
    for (const std::wstring& name : SubKeyNames(root.get())) {
        auto item = LoadRecentProgram(name);
        if (item && FileExists(item->Path))
            list.push_back(std::move(item));
    }
}

void SaveRecentProgram(const TRecentProgram& item)
{
    if (item.ReadOnly)
        return;
    const std::wstring name = PathToKeyName(item.Path);
    UniqueHKey key = OpenStoreKey(RecentKey(name), KeyAccess::Create);
    if (!key) {
        Log(L"RecentItems.SaveRecentProgram: cannot open " + name);
        return;
    }
    if (!WriteStringValue(key.get(), L"Caption", item.Caption) || !WriteStringValue(key.get(), L"Path", item.Path) ||
        !WriteDoubleValue(key.get(), L"LastStart", item.LastStart) ||
        !WriteDwordValue(key.get(), L"StartCount", static_cast<DWORD>(item.StartCount)))
        Log(L"RecentItems.SaveRecentProgram: cannot write " + name);
}

// The entry for a path that is not in the list. A program left out at load because its file was
// missing (an unplugged drive) has a stored record: its count and caption continue from there rather
// than start again at 1 and overwrite it.
std::unique_ptr<TRecentProgram> EntryForLaunch(const std::wstring& caption, const std::wstring& lowerPath)
{
    const std::wstring name = PathToKeyName(lowerPath);
    const StoredRecord record = ReadRecord(name);
    if (!record.exists) {
        auto item = std::make_unique<TRecentProgram>();
        item->Caption = caption;
        item->Path = lowerPath;
        return item;
    }
    auto item = ProgramFromRecord(record, lowerPath);
    if (!record.caption.read())
        item->Caption = caption;
    // A record under this name that names another path is someone else's: leave it as it is too.
    if (record.path.read() && LowerCase(record.path.value) != lowerPath)
        item->ReadOnly = true;
    if (item->ReadOnly)
        Log(L"RecentItems.RecordLaunch: stored record cannot be continued, counted for this session: " + name);
    return item;
}

double CurrentLocalDateTime()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return ToDaysSince1899(now);
}

} // namespace

const TRecentList& GetRecentItems(bool reload)
{
    auto& list = CurrentList();
    if (list && !reload)
        return *list;
    auto fresh = std::make_unique<TRecentList>();
    LoadRecentItems(*fresh);
    SortByRank(*fresh);
    list = std::move(fresh);
    return *list;
}

void RecordLaunch(const std::wstring& caption, const std::wstring& path)
{
    const std::wstring lower = LowerCase(path);
    GetRecentItems(false);
    TRecentList& list = *CurrentList();
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& item) { return item->Path == lower; });
    TRecentProgram* item = nullptr;
    if (it != list.end()) {
        item = it->get();
    } else {
        list.push_back(EntryForLaunch(caption, lower));
        item = list.back().get();
    }
    if (item->StartCount < INT32_MAX)
        ++item->StartCount;
    item->LastStart = CurrentLocalDateTime();
    SaveRecentProgram(*item);
    SortByRank(list);
    FillRecentView();
}

void LaunchAndRecord(std::wstring caption, std::wstring path)
{
    HideMenuView();
    LaunchItem(path);
    RecordLaunch(caption, path);
}

void ActivateRecentProgram(const TRecentProgram& item) { LaunchAndRecord(item.Caption, item.Path); }

double ToDaysSince1899(const SYSTEMTIME& localTime)
{
    // 1899-12-30 00:00 as a FILETIME: 109205 days after 1601-01-01, in 100-ns units.
    constexpr int64_t Epoch = 109205LL * 864000000000LL;
    constexpr double UnitsPerDay = 864000000000.0;
    FILETIME time{};
    if (!::SystemTimeToFileTime(&localTime, &time))
        return 0;
    const int64_t units = (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<double>(units - Epoch) / UnitsPerDay;
}

} // namespace halvex
