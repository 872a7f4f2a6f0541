// The All Programs scan over two scratch roots made of real folders, shortcuts and links.

#include "CatalogTesting.h"
#include "E2E.h"

#include "catalog/RecentItems.h"
#include "catalog/StartMenuItems.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Utils.h"

#include <gtest/gtest.h>

#include <functional>

using namespace halvex;
using namespace catalog_testing;

namespace {

// A tree as text: one entry per line, indented by depth, folders with a trailing "\" and "(empty)"
// when they have no children list.
void Describe(const TStartMenuList* list, int depth, std::wstring& text)
{
    if (!list)
        return;
    for (const auto& item : *list) {
        text += std::wstring(static_cast<size_t>(depth) * 2, L' ') + item->Caption;
        if (item->IsFolder)
            text += item->Children ? L"\\" : L"\\ (empty)";
        text += L"\n";
        Describe(item->Children.get(), depth + 1, text);
    }
}

std::wstring Describe(const TStartMenuList* list)
{
    std::wstring text;
    Describe(list, 0, text);
    return text;
}

const TStartMenuItem* Find(const TStartMenuList* list, const std::wstring& caption)
{
    if (!list)
        return nullptr;
    for (const auto& item : *list)
        if (item->Caption == caption)
            return item.get();
    return nullptr;
}

class StartMenuScan : public ::testing::Test {
protected:
    StartMenuRoots Roots() const { return {user.path() + L"\\", common.path() + L"\\"}; }

    // A shortcut to the scratch target program.
    void Shortcut(const std::wstring& path) { ASSERT_TRUE(e2e::CreateShortcut(path, target)); }

    ComInit com;
    ScratchFolder user{L"user-programs"};
    ScratchFolder common{L"common-programs"};
    ScratchFolder elsewhere{L"targets"};
    std::wstring target = elsewhere / L"program.exe";

    void SetUp() override { TouchFile(target); }
};

TEST_F(StartMenuScan, BothRootsMergeWithTheUsersEntriesWinning)
{
    Shortcut(user / L"Notepad.lnk");
    Shortcut(common / L"notepad.lnk");
    Shortcut(user / L"Accessories\\Paint.lnk");
    Shortcut(user / L"Accessories\\Calculator.lnk");
    Shortcut(common / L"Accessories\\calculator.lnk");
    Shortcut(common / L"Accessories\\WordPad.lnk");
    Shortcut(common / L"Accessories\\System Tools\\Disk Cleanup.lnk");
    Shortcut(common / L"Games\\Chess.lnk");

    const TStartMenuList* tree = RescanStartMenu(Roots());

    EXPECT_EQ(Describe(tree), L"Notepad\n"
                              L"Accessories\\\n"
                              L"  Calculator\n"
                              L"  Paint\n"
                              L"  WordPad\n"
                              L"  System Tools\\\n"
                              L"    Disk Cleanup\n"
                              L"Games\\\n"
                              L"  Chess\n");
    const TStartMenuItem* notepad = Find(tree, L"Notepad");
    ASSERT_NE(notepad, nullptr);
    EXPECT_EQ(notepad->FullPath, user / L"Notepad.lnk");
    EXPECT_EQ(notepad->FileName, L"Notepad.lnk");
    EXPECT_EQ(notepad->LowerPath, LowerCase(user / L"Notepad.lnk"));
    EXPECT_FALSE(notepad->IsFolder);
    EXPECT_EQ(notepad->Children, nullptr);

    const TStartMenuItem* accessories = Find(tree, L"Accessories");
    ASSERT_NE(accessories, nullptr);
    EXPECT_EQ(accessories->FullPath, user / L"Accessories") << "a folder's path has no trailing backslash";
    EXPECT_TRUE(accessories->IsFolder);
    EXPECT_EQ(Find(accessories->Children.get(), L"Calculator")->FullPath, user / L"Accessories\\Calculator.lnk");
    EXPECT_EQ(Find(accessories->Children.get(), L"WordPad")->FullPath, common / L"Accessories\\WordPad.lnk");
    EXPECT_EQ(Find(tree, L"Games")->FullPath, common / L"Games");
}

TEST_F(StartMenuScan, EntriesAndTheirCaptions)
{
    Shortcut(user / L"b.lnk");
    Shortcut(user / L"A.lnk");
    MakeFolder(user / L"a");
    Shortcut(user / L"a\\inside.lnk");
    e2e::WriteTextFile(user / L"readme.txt", "text");
    e2e::WriteTextFile(user / L"Site.URL", "[InternetShortcut]\r\nURL=http://halvex.invalid/\r\n");
    Shortcut(user / L"Hidden.lnk");
    ::SetFileAttributesW((user / L"Hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // Both a file and a folder named Tools.
    Shortcut(common / L"Tools.lnk");
    Shortcut(common / L"Tools\\Tool.lnk");
    // Folder files that are not programs, alone in a folder and beside a program.
    e2e::WriteTextFile(user / L"desktop.ini", "[.ShellClassInfo]\r\n");
    e2e::WriteTextFile(common / L"Folder.htt", "x");
    e2e::WriteTextFile(common / L"Only Settings\\Desktop.ini", "[.ShellClassInfo]\r\n");

    const TStartMenuList* tree = RescanStartMenu(Roots());

    EXPECT_EQ(Describe(tree), L"A\n"
                              L"b\n"
                              L"Hidden\n"
                              L"readme.txt\n"
                              L"Site\n"
                              L"Tools\n"
                              L"a\\\n"
                              L"  inside\n"
                              L"Only Settings\\ (empty)\n"
                              L"Tools\\\n"
                              L"  Tool\n");
}

TEST_F(StartMenuScan, EmptyRootsGiveNoTree)
{
    EXPECT_EQ(RescanStartMenu(Roots()), nullptr);
    MakeFolder(user / L"Empty");
    EXPECT_EQ(Describe(RescanStartMenu(Roots())), L"Empty\\ (empty)\n");
}

TEST_F(StartMenuScan, ARootThatCouldNotBeLocatedIsLeftOutNotTakenAsTheCurrentFolder)
{
    Shortcut(common / L"Common.lnk");
    // The process's current folder holds entries that must not show up.
    ScratchFolder current{L"current"};
    Shortcut(current / L"Stray.lnk");
    wchar_t previous[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(current.path().c_str()));

    const std::wstring withoutUser = Describe(RescanStartMenu({L"", common.path() + L"\\"}));
    const TStartMenuList* withoutAny = RescanStartMenu({L"", L""});

    ::SetCurrentDirectoryW(previous);
    EXPECT_EQ(withoutUser, L"Common\n");
    EXPECT_EQ(withoutAny, nullptr);
}

TEST_F(StartMenuScan, ALinkBackUpTheTreeIsListedButNotEnteredAgain)
{
    Shortcut(user / L"Top.lnk");
    Shortcut(user / L"Tools\\Tool.lnk");
    Shortcut(user / L"Accessories\\Paint.lnk");
    // Two links back to the root in one folder: followed blindly, they would double the work at every
    // level, without end.
    ASSERT_TRUE(MakeFolderLink(user / L"Tools\\Back", user.path())) << "cannot make a folder link here";
    ASSERT_TRUE(MakeFolderLink(user / L"Tools\\Again", user.path()));
    // A link into a folder that is not an ancestor is an ordinary folder.
    ASSERT_TRUE(MakeFolderLink(user / L"Links to Accessories", user / L"Accessories"));
    // The common root has a real folder of the same name as the link: it is still shown.
    Shortcut(common / L"Tools\\Again\\Common Tool.lnk");

    const TStartMenuList* tree = RescanStartMenu(Roots());

    EXPECT_EQ(Describe(tree), L"Top\n"
                              L"Accessories\\\n"
                              L"  Paint\n"
                              L"Links to Accessories\\\n"
                              L"  Paint\n"
                              L"Tools\\\n"
                              L"  Tool\n"
                              L"  Again\\\n"
                              L"    Common Tool\n"
                              L"  Back\\ (empty)\n");
}

TEST_F(StartMenuScan, ScanOfOneLevelBelowTheTop)
{
    Shortcut(user / L"Accessories\\Paint.lnk");
    Shortcut(common / L"Accessories\\Calculator.lnk");
    Shortcut(common / L"Top.lnk");

    const auto level = Scan(Roots(), L"Accessories\\");

    EXPECT_EQ(Describe(level.get()), L"Calculator\nPaint\n");
    EXPECT_EQ(Scan(Roots(), L"Missing\\"), nullptr);
}

TEST_F(StartMenuScan, ActivateHidesTheMenuLaunchesAndCounts)
{
    RedirectedHkcu hkcu;
    GetRecentItems(true);
    RecordedViews views;
    const std::wstring program = elsewhere / L"Run Me.exe";
    ASSERT_TRUE(e2e::PlaceRecordRun(program));
    const std::wstring link = user / L"Tools\\Run Me.lnk";
    ASSERT_TRUE(e2e::CreateShortcut(link, program));
    const TStartMenuItem* item = Find(Find(RescanStartMenu(Roots()), L"Tools")->Children.get(), L"Run Me");
    ASSERT_NE(item, nullptr);
    bool countedAtHide = true;
    views.onHide = [&] { countedAtHide = !GetRecentItems(false).empty(); };

    ActivateStartMenuItem(*item);

    EXPECT_EQ(views.calls, (std::vector<std::string>{"HideMenu", "FillRecent"}));
    EXPECT_FALSE(countedAtHide) << "the launch was counted before the menu was hidden";
    const e2e::RegistryKey record(HKEY_CURRENT_USER,
                                  std::wstring(RecentKeyPath) + L"\\" + PathToKeyName(LowerCase(link)));
    EXPECT_EQ(record.GetString(L"Caption"), L"Run Me");
    EXPECT_EQ(record.GetDword(L"StartCount"), 1u);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::RecordedRuns(program).size() == 1; })) << "the program did not run";
}

} // namespace
