// The favorites store against a scratch HKEY_CURRENT_USER and real shortcuts; its index arithmetic on
// its own.

#include "CatalogTesting.h"
#include "E2E.h"

#include "catalog/CatalogViews.h"
#include "catalog/FavoriteItems.h"
#include "catalog/ShortcutCaption.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Utils.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <sstream>

using namespace halvex;
using namespace catalog_testing;
using e2e::RegistryKey;

namespace {

// ---- The arithmetic, without the registry --------------------------------------------------------

std::wstring Names(const std::vector<TFavoriteProgram*>& entries)
{
    std::wstring names;
    for (const TFavoriteProgram* entry : entries)
        names += (names.empty() ? L"" : L" ") + entry->Caption;
    return names;
}

std::wstring Names(const TFavoriteList& list)
{
    std::vector<TFavoriteProgram*> entries;
    for (const auto& entry : list)
        entries.push_back(entry.get());
    return Names(entries);
}

struct PlaceCase {
    const char* name;
    std::vector<int> indexes;  // of the favorites A, B, C, ... in list order
    std::wstring moving;       // one of them, or "new" for a favorite appended for the move
    int index;
    std::wstring order;        // afterwards
    std::wstring changed;      // the entries to rewrite, in list order
};

TEST(FavoriteArithmetic, PlaceFavoriteMovesAndRenumbers)
{
    const PlaceCase cases[] = {
        {"dropped on C lands before it", {0, 1, 2, 3}, L"new", 2, L"A B new C D", L"new C D"},
        {"C moved to the top", {0, 1, 2}, L"C", 0, L"C A B", L"C A B"},
        {"A moved onto C lands before C", {0, 1, 2, 3}, L"A", 2, L"B A C D", L"B A"},
        {"1000 with three favorites is the end", {0, 1, 2}, L"new", 1000, L"A B C new", L"new"},
        {"moved onto itself changes nothing", {0, 1, 2}, L"B", 1, L"A B C", L""},
        {"a gap in the stored indexes closes", {0, 5}, L"new", 1, L"A new B", L"new B"},
        {"a negative index is the top", {0, 1}, L"new", -4, L"new A B", L"new A B"},
        {"past the end moves to the end", {0, 1, 2}, L"A", 1000, L"B C A", L"B C A"},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFavoriteList list;
        for (size_t i = 0; i < c.indexes.size(); ++i) {
            auto entry = std::make_unique<TFavoriteProgram>();
            entry->Caption = std::wstring(1, static_cast<wchar_t>(L'A' + i));
            entry->Index = c.indexes[i];
            list.push_back(std::move(entry));
        }
        TFavoriteProgram* moving = nullptr;
        if (c.moving == L"new") {
            auto entry = std::make_unique<TFavoriteProgram>();
            entry->Caption = L"new";
            entry->Index = INT_MAX;
            moving = entry.get();
            list.push_back(std::move(entry));
        } else {
            for (const auto& entry : list)
                if (entry->Caption == c.moving)
                    moving = entry.get();
        }
        ASSERT_NE(moving, nullptr);

        const auto changed = PlaceFavorite(list, *moving, c.index);

        EXPECT_EQ(Names(list), c.order);
        EXPECT_EQ(Names(changed), c.changed);
        for (size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(list[i]->Index, static_cast<int>(i));
    }
}

TEST(FavoriteArithmetic, CaptionOfANewPin)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\Tools\\My App.LNK", L"My App"},
        {L"c:\\tools\\Site.url", L"Site"},
        {L"C:\\Tools\\App.exe", L"App.exe"},
        {L"C:\\Tools\\notes.lnk.txt", L"notes.lnk.txt"},
        {L"C:\\.lnk", L""},
        {L"D:App.lnk", L"App"},
    };
    for (const auto& [path, caption] : cases)
        EXPECT_EQ(CaptionFromPath(path), caption) << path;
}

// ---- The store against the registry -------------------------------------------------------------

RegistryKey FavoriteRecord(const std::wstring& keyName)
{
    return RegistryKey(HKEY_CURRENT_USER, std::wstring(FavoriteKeyPath) + L"\\" + keyName);
}

RegistryKey FavoriteRoot() { return RegistryKey(HKEY_CURRENT_USER, FavoriteKeyPath); }

// Writes a record as the program would have written it; returns its subkey name.
std::wstring Seed(const std::wstring& caption, const std::wstring& path, int index)
{
    const std::wstring lower = LowerCase(path);
    const std::wstring name = PathToKeyName(lower);
    RegistryKey record = FavoriteRecord(name);
    record.SetString(L"Caption", caption);
    record.SetString(L"Path", lower);
    record.SetDword(L"Index", static_cast<DWORD>(index));
    return name;
}

std::wstring FakePath(const std::wstring& name) { return L"c:\\programs\\" + name + L".lnk"; }
std::wstring FakeKey(const std::wstring& name) { return PathToKeyName(FakePath(name)); }

// The stored favorites as "caption index" in index order.
std::wstring StoredOrder()
{
    std::map<DWORD, std::wstring> byIndex;
    for (const std::wstring& name : FavoriteRoot().SubKeys()) {
        const RegistryKey record = FavoriteRecord(name);
        byIndex[record.GetDword(L"Index").value_or(0xFFFFFFFF)] += record.GetString(L"Caption").value_or(L"?");
    }
    std::wostringstream text;
    for (const auto& [index, caption] : byIndex)
        text << (text.tellp() ? L", " : L"") << caption << L" " << static_cast<int>(index);
    return text.str();
}

// Changes the stored caption behind the store's back: if the store rewrites the record, the mark goes.
void Mark(const std::wstring& keyName) { FavoriteRecord(keyName).SetString(L"Caption", L"(as stored)"); }
bool StillMarked(const std::wstring& keyName)
{
    return FavoriteRecord(keyName).GetString(L"Caption") == std::optional<std::wstring>(L"(as stored)");
}

class FavoriteStore : public ::testing::Test {
protected:
    void SetUp() override { GetFavoriteItems(true); }

    RedirectedHkcu hkcu;
    ComInit com;
    ScratchFolder files{L"favorites"};
    RecordedViews views;
};

TEST_F(FavoriteStore, PinAddsAtTheEndAndRefreshesBothLists)
{
    Seed(L"A", FakePath(L"A"), 0);
    Seed(L"B", FakePath(L"B"), 1);
    Seed(L"C", FakePath(L"C"), 2);
    GetFavoriteItems(true);

    TogglePin(L"C:\\Tools\\My App.LNK");

    const RegistryKey record = FavoriteRecord(L"c:/tools/my app.lnk");
    ASSERT_TRUE(record.Exists());
    EXPECT_EQ(record.GetString(L"Caption"), L"My App");
    EXPECT_EQ(record.GetString(L"Path"), L"c:\\tools\\my app.lnk");
    EXPECT_EQ(record.GetDword(L"Index"), 3u);
    EXPECT_EQ(StoredOrder(), L"A 0, B 1, C 2, My App 3");
    EXPECT_EQ(Names(GetFavoriteItems(false)), L"A B C My App");
    EXPECT_EQ(views.calls, (std::vector<std::string>{"FillFavorites", "FillRecent"}));
}

TEST_F(FavoriteStore, PinWithMoreThanAThousandLandsAtPosition1000)
{
    for (int i = 0; i < 1005; ++i)
        Seed(std::to_wstring(i), FakePath(std::to_wstring(i)), i);
    GetFavoriteItems(true);
    Mark(FakeKey(L"999"));

    TogglePin(FakePath(L"new"));

    EXPECT_EQ(FavoriteRecord(FakeKey(L"new")).GetDword(L"Index"), 1000u);
    for (int i = 1000; i < 1005; ++i)
        EXPECT_EQ(FavoriteRecord(FakeKey(std::to_wstring(i))).GetDword(L"Index"), static_cast<DWORD>(i + 1)) << i;
    EXPECT_EQ(FavoriteRecord(FakeKey(L"999")).GetDword(L"Index"), 999u);
    EXPECT_TRUE(StillMarked(FakeKey(L"999"))) << "a favorite before the new one was rewritten";
    EXPECT_EQ(GetFavoriteItems(false).size(), 1006u);
    EXPECT_EQ(GetFavoriteItems(false)[1000]->Caption, L"new");
}

TEST_F(FavoriteStore, PinOfAPinnedPathInOtherCaseUnpinsIt)
{
    Seed(L"A", FakePath(L"A"), 0);
    const std::wstring app = Seed(L"App", L"c:\\tools\\app.lnk", 1);
    Seed(L"B", FakePath(L"B"), 2);
    GetFavoriteItems(true);
    Mark(FakeKey(L"A"));

    TogglePin(L"C:\\Tools\\App.LNK");

    EXPECT_FALSE(FavoriteRecord(app).Exists());
    EXPECT_EQ(FavoriteRecord(FakeKey(L"B")).GetDword(L"Index"), 1u);
    EXPECT_TRUE(StillMarked(FakeKey(L"A"))) << "a favorite whose index stayed was rewritten";
    EXPECT_EQ(Names(GetFavoriteItems(false)), L"A B");
    EXPECT_EQ(views.calls, (std::vector<std::string>{"FillFavorites", "FillRecent"}));

    TogglePin(L"C:\\Tools\\App.LNK");
    EXPECT_EQ(FavoriteRecord(app).GetDword(L"Index"), 2u) << "pinned again at the end";
}

TEST_F(FavoriteStore, PinOfAShortcutsTargetUnpinsTheShortcut)
{
    const std::wstring target = files / L"Tools\\App.exe";
    TouchFile(target);
    const std::wstring link = files / L"App.lnk";
    ASSERT_TRUE(e2e::CreateShortcut(link, target));
    Seed(L"App", link, 0);
    Seed(L"Other", FakePath(L"Other"), 1);
    GetFavoriteItems(true);
    ASSERT_EQ(GetFavoriteItems(false)[0]->Target(), LowerCase(target));
    EXPECT_TRUE(IsPinnedAsFavorite(LowerCase(target)));
    EXPECT_TRUE(IsPinnedAsFavorite(LowerCase(link)));

    TogglePin(target);

    EXPECT_EQ(Names(GetFavoriteItems(false)), L"Other");
    EXPECT_FALSE(FavoriteRecord(PathToKeyName(LowerCase(link))).Exists());
    EXPECT_FALSE(FavoriteRecord(PathToKeyName(LowerCase(target))).Exists()) << "the target was pinned instead";
    EXPECT_EQ(FavoriteRecord(FakeKey(L"Other")).GetDword(L"Index"), 0u);
    EXPECT_FALSE(IsPinnedAsFavorite(LowerCase(target)));
}

TEST_F(FavoriteStore, TargetOfAnythingButAResolvableShortcutIsThePath)
{
    const std::wstring corrupt = files / L"Broken.lnk";
    e2e::WriteTextFile(corrupt, "not a shortcut");
    const std::wstring program = files / L"Tool.EXE";
    TouchFile(program);
    Seed(L"Broken", corrupt, 0);
    Seed(L"Tool", program, 1);
    Seed(L"Gone", files / L"Gone.lnk", 2);
    const TFavoriteList& list = GetFavoriteItems(true);
    ASSERT_EQ(list.size(), 3u);
    for (const auto& entry : list)
        EXPECT_EQ(entry->Target(), entry->Path) << entry->Caption;
}

TEST_F(FavoriteStore, DropInsertsBeforeTheFavoriteUnderIt)
{
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"})
        Seed(name, FakePath(name), static_cast<int>(name[0] - L'A'));
    GetFavoriteItems(true);
    Mark(FakeKey(L"A"));
    Mark(FakeKey(L"B"));

    InsertFavorite(L"New", FakePath(L"New"), 2, true);

    EXPECT_EQ(StoredOrder(), L"(as stored) 0, (as stored) 1, New 2, C 3, D 4");
    EXPECT_EQ(Names(GetFavoriteItems(false)), L"A B New C D");
    EXPECT_EQ(views.calls, std::vector<std::string>{"FillFavorites"});

    views.calls.clear();
    InsertFavorite(L"Quiet", FakePath(L"Quiet"), 0, false);
    EXPECT_TRUE(views.calls.empty()) << "refreshView false still refilled a view";
}

TEST_F(FavoriteStore, InsertOfAnExistingFavoriteMovesItAndKeepsItsCaption)
{
    Seed(L"A", FakePath(L"A"), 0);
    Seed(L"B", FakePath(L"B"), 1);
    Seed(L"C", FakePath(L"C"), 2);
    GetFavoriteItems(true);

    InsertFavorite(L"Other caption", L"C:\\PROGRAMS\\c.lnk", 0, true);

    EXPECT_EQ(StoredOrder(), L"C 0, A 1, B 2");
    EXPECT_EQ(Names(GetFavoriteItems(false)), L"C A B");
    EXPECT_EQ(FavoriteRoot().SubKeys().size(), 3u);
}

TEST_F(FavoriteStore, RemoveDeletesTheRecordAndRewritesOnlyTheOnesAfterIt)
{
    Seed(L"A", FakePath(L"A"), 0);
    Seed(L"B", FakePath(L"B"), 1);
    Seed(L"C", FakePath(L"C"), 2);
    const TFavoriteList& list = GetFavoriteItems(true);
    Mark(FakeKey(L"A"));

    RemoveFavorite(*list[1]);

    EXPECT_FALSE(FavoriteRecord(FakeKey(L"B")).Exists());
    EXPECT_EQ(FavoriteRecord(FakeKey(L"C")).GetDword(L"Index"), 1u);
    EXPECT_TRUE(StillMarked(FakeKey(L"A")));
    EXPECT_EQ(Names(GetFavoriteItems(false)), L"A C");
    EXPECT_EQ(views.calls, std::vector<std::string>{"FillFavorites"});
}

TEST_F(FavoriteStore, LoadFollowsTheStoredIndexesAndKeepsFavoritesWhoseFileIsGone)
{
    // Subkey names in another order than the indexes; none of these files exists.
    Seed(L"Third", L"c:\\a\\third.lnk", 2);
    Seed(L"First", L"c:\\b\\first.lnk", 0);
    Seed(L"Second", L"c:\\c\\second.lnk", 1);
    const TFavoriteList& list = GetFavoriteItems(true);

    EXPECT_EQ(Names(list), L"First Second Third");
    EXPECT_EQ(list[0]->KeyName, L"c:/b/first.lnk");
    EXPECT_EQ(&GetFavoriteItems(false), &list) << "a second call without reload made a new list";

    Seed(L"Fourth", L"c:\\d\\fourth.lnk", 3);
    EXPECT_EQ(GetFavoriteItems(false).size(), 3u);
    EXPECT_EQ(GetFavoriteItems(true).size(), 4u);
}

TEST_F(FavoriteStore, ARecordWithoutAnIndexFollowsTheOthersAndGetsOneWhenItMoves)
{
    Seed(L"A", FakePath(L"A"), 0);
    Seed(L"B", FakePath(L"B"), 1);
    const std::wstring loose = Seed(L"Loose", FakePath(L"Loose"), 0);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, (std::wstring(FavoriteKeyPath) + L"\\" + loose).c_str(), L"Index");
    EXPECT_EQ(Names(GetFavoriteItems(true)), L"A B Loose");

    InsertFavorite(L"Loose", FakePath(L"Loose"), 0, false);

    EXPECT_EQ(StoredOrder(), L"Loose 0, A 1, B 2");
}

// A record that holds a value this program cannot read is the user's all the same: the others load,
// and nothing in it is rewritten, whatever the store does around it.
struct DamagedCase {
    const char* name;
    std::function<void(const RegistryKey&)> damage;
    std::wstring loaded;      // the favorites listed after loading
    std::wstring afterwards;  // after unpinning A and moving (or pinning) X to the top
};

TEST_F(FavoriteStore, ARecordThatCannotBeReadIsNeverOverwritten)
{
    const DamagedCase cases[] = {
        // Not listed: without its path it cannot be shown. Pinning its path again pins it for this
        // session, without taking the record's place.
        {"Path of type REG_DWORD", [](const RegistryKey& r) { r.SetDword(L"Path", 7); }, L"A B", L"X B"},
        // Listed after the others, with a stand-in where needed, but never written.
        {"Index of type REG_SZ", [](const RegistryKey& r) { r.SetString(L"Index", L"0"); }, L"A B X", L"X B"},
        {"Index of 8 bytes", [](const RegistryKey& r) { r.SetBinary(L"Index", std::vector<BYTE>(8, 1)); }, L"A B X",
         L"X B"},
        {"Caption of type REG_DWORD", [](const RegistryKey& r) { r.SetDword(L"Caption", 3); }, L"A B x", L"x B"},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.name);
        FavoriteRoot().Delete();
        Seed(L"A", FakePath(L"A"), 0);
        Seed(L"B", FakePath(L"B"), 1);
        const std::wstring damaged = Seed(L"X", FakePath(L"X"), 2);
        c.damage(FavoriteRecord(damaged));
        const auto before = RawRecord(std::wstring(FavoriteKeyPath) + L"\\" + damaged);

        EXPECT_EQ(Names(GetFavoriteItems(true)), c.loaded);
        TogglePin(FakePath(L"A"));
        InsertFavorite(L"X", FakePath(L"X"), 0, true);

        EXPECT_EQ(RawRecord(std::wstring(FavoriteKeyPath) + L"\\" + damaged), before);
        EXPECT_EQ(Names(GetFavoriteItems(false)), c.afterwards);
        EXPECT_EQ(FavoriteRecord(FakeKey(L"B")).GetDword(L"Index"), 1u);
        EXPECT_EQ(FavoriteRoot().SubKeys().size(), 2u);
    }
}

TEST_F(FavoriteStore, WithNoViewRegisteredOnlyTheRegistryChanges)
{
    SetCatalogViewCallbacks({});
    TogglePin(FakePath(L"Alone"));
    EXPECT_TRUE(views.calls.empty());
    EXPECT_EQ(FavoriteRecord(FakeKey(L"Alone")).GetDword(L"Index"), 0u);
    EXPECT_EQ(FavoriteRoot().SubKeys().size(), 1u);
}

TEST_F(FavoriteStore, ActivateHidesTheMenuThenLaunchesWithoutCounting)
{
    const std::wstring program = files / L"Tool.exe";
    ASSERT_TRUE(e2e::PlaceRecordRun(program));
    Seed(L"veradav 8 eved", program, 0);  // not the exact caption: an ordinary favorite
    const TFavoriteList& list = GetFavoriteItems(true);
    size_t runsAtHide = 99;
    views.onHide = [&] { runsAtHide = e2e::RecordedRuns(program).size(); };

    ActivateFavorite(*list[0]);

    EXPECT_EQ(views.calls, std::vector<std::string>{"HideMenu"});
    EXPECT_EQ(runsAtHide, 0u);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::RecordedRuns(program).size() == 1; })) << "the program did not run";
    EXPECT_FALSE(RegistryKey(HKEY_CURRENT_USER, RecentKeyPath).Exists()) << "opening a favorite was counted";
}

} // namespace
