// The left column of the real menu, read as a screen reader would (the lists' rows through their
// standard messages) and driven with real clicks and keys, over a seeded registry and Start Menu.

#include "LeftColumnFixture.h"

#include <algorithm>

TEST_F(LeftColumn, TheWindowGrowsWithMoreThanTenFavorites)
{
    for (int count : {10, 11}) {
        SCOPED_TRACE(count);
        HalvexSettingsKey().Delete();
        for (int i = 0; i < count; ++i)
            SeedFavorite(i, L"Favorite " + std::to_wstring(i), App(L"fav" + std::to_wstring(i)));
        StartMenu();
        const auto rows = ReadTreeView(Favorites());
        EXPECT_EQ(rows.size(), static_cast<size_t>(count));
        // The menu comes up with the favorites focused but no row selected.
        EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [](const TreeItem& row) { return row.selected; }));
        EXPECT_EQ(WindowHeight(), count == 11 ? 526 : 523);
        // The window still ends at the taskbar.
        EXPECT_EQ(RectOf(window_).bottom, ::GetSystemMetrics(SM_CYSCREEN) - 40);
        menu_.Stop();
    }
}

TEST_F(LeftColumn, TheRecentListShowsAsManyProgramsAsFitAndLeavesOutPinnedAndMissingOnes)
{
    for (int i = 0; i < 20; ++i)
        SeedRecent(L"Program " + std::to_wstring(i), App(L"rec" + std::to_wstring(i)), 100 - i);
    SeedRecent(L"Gone", apps_ + L"gone.exe", 1000);
    StartMenu();
    // No favorites: the recent list starts at the top and has room for 14 rows of 32 pixels.
    EXPECT_FALSE(::IsWindowVisible(Favorites()));
    auto rows = Texts(ReadTreeView(Recent()));
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows.front(), L"Program 0");
    menu_.Stop();

    // Three favorites, one of them also a recent program: 10 rows fit below them, and the pinned
    // program is not among them.
    SeedFavorite(0, L"Pinned", apps_ + L"rec0.exe");
    SeedFavorite(1, L"Other", App(L"favA"));
    SeedFavorite(2, L"Third", App(L"favB"));
    StartMenu();
    EXPECT_EQ(Texts(ReadTreeView(Favorites())), (std::vector<std::wstring>{L"Pinned", L"Other", L"Third"}));
    rows = Texts(ReadTreeView(Recent()));
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.front(), L"Program 1");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), L"Gone"), 0);
}

TEST_F(LeftColumn, AllProgramsShowsBothProgramsFoldersMergedAfterTheDelayedStart)
{
    const std::wstring target = App(L"tool");
    ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Zeta.lnk", target));
    ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Tools\\Beta.lnk", target));
    ASSERT_TRUE(CreateShortcut(CommonProgramsFolder() + L"\\Alpha.lnk", target));
    ASSERT_TRUE(CreateShortcut(CommonProgramsFolder() + L"\\Tools\\Delta.lnk", target));
    ::CreateDirectoryW((CommonProgramsFolder() + L"\\Empty").c_str(), nullptr);
    StartMenu();

    ::SendMessageW(AllProgramsButton(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(AllPrograms()); }));
    EXPECT_EQ(TextOf(AllProgramsButton()), L"Back");
    EXPECT_FALSE(::IsWindowVisible(Recent()));
    // Files before folders, each in name order; the empty folder is left out.
    EXPECT_TRUE(WaitFor([&] { return !ReadTreeView(AllPrograms()).empty(); }, 10s));
    EXPECT_EQ(Texts(ReadTreeView(AllPrograms(), true)),
              (std::vector<std::wstring>{L"Alpha", L"Zeta", L"Tools", L"  Beta", L"  Delta"}));

    ::SendMessageW(AllProgramsButton(), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(Recent()); }));
    EXPECT_EQ(TextOf(AllProgramsButton()), L"All Programs");
}

TEST_F(LeftColumn, ClickingAFavoriteOrARecentProgramLaunchesItAndHidesTheMenu)
{
    const std::wstring favorite = App(L"pinned");
    const std::wstring recent = App(L"counted");
    SeedFavorite(0, L"Pinned", favorite);
    SeedRecent(L"Counted", recent, 4);
    StartMenu();

    ClickRow(Favorites(), 0);
    // Starting a program through the shell can take seconds on a loaded machine.
    EXPECT_TRUE(WaitFor([&] { return RecordedRuns(favorite).size() == 1; }, 30s));
    EXPECT_TRUE(WaitFor([&] { return !IsShown(window_); }));

    ::SendMessageW(window_, WM_TOGGLE_MENU, 0, Marker);
    ASSERT_TRUE(WaitFor([&] { return IsShown(window_); }));
    ASSERT_EQ(Texts(ReadTreeView(Recent())), std::vector<std::wstring>{L"Counted"});
    ClickRow(Recent(), 0);
    EXPECT_TRUE(WaitFor([&] { return RecordedRuns(recent).size() == 1; }, 30s));
    // The launch is counted on the program's record.
    const RegistryKey record = HalvexSettingsKey().SubKey(L"Recent\\" + KeyName(Lower(recent)));
    EXPECT_TRUE(WaitFor([&] { return record.GetDword(L"StartCount") == 5u; }));
}

TEST_F(LeftColumn, EscapeHidesTheMenuAndTheNextShowIsBackAtTheDefaultView)
{
    ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Zeta.lnk", App(L"tool")));
    StartMenu();
    ::SetForegroundWindow(window_);
    ::SendMessageW(AllProgramsButton(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(AllPrograms()); }));

    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsShown(window_); }));

    ::SendMessageW(window_, WM_TOGGLE_MENU, 0, Marker);
    ASSERT_TRUE(WaitFor([&] { return IsShown(window_); }));
    EXPECT_EQ(TextOf(AllProgramsButton()), L"All Programs");
    EXPECT_FALSE(::IsWindowVisible(AllPrograms()));
}

TEST_F(LeftColumn, ARecentProgramDroppedOnAFavoriteIsPinnedBeforeIt)
{
    SeedFavorite(0, L"First", App(L"first"));
    SeedFavorite(1, L"Second", App(L"second"));
    SeedRecent(L"Busy", App(L"busy"), 9);
    SeedRecent(L"Quiet", App(L"quiet"), 3);
    StartMenu();
    ::SetForegroundWindow(window_);
    ASSERT_EQ(Texts(ReadTreeView(Recent())), (std::vector<std::wstring>{L"Busy", L"Quiet"}));

    // The focus rests on another recent row: the pressed row is still the one that moves.
    HWND recent = Recent();
    ::SendMessageW(recent, TVM_SELECTITEM, TVGN_CARET,
                   ::SendMessageW(recent, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    Drag(RowPoint(recent, 1), RowPoint(Favorites(), 1));

    EXPECT_TRUE(WaitFor([&] { return StoredFavorites().size() == 3; }));
    EXPECT_EQ(StoredFavorites(), (std::vector<std::pair<std::wstring, DWORD>>{
                                     {L"First", 0}, {L"Quiet", 1}, {L"Second", 2}}));
    EXPECT_EQ(Texts(ReadTreeView(Favorites())), (std::vector<std::wstring>{L"First", L"Quiet", L"Second"}));
    // The row leaves the recent list at once; the list is not refilled.
    EXPECT_EQ(Texts(ReadTreeView(Recent())), std::vector<std::wstring>{L"Busy"});
}

TEST_F(LeftColumn, AFavoriteDroppedOnTheRecentListIsUnpinned)
{
    SeedFavorite(0, L"First", App(L"first"));
    SeedFavorite(1, L"Second", App(L"second"));
    SeedRecent(L"Busy", App(L"busy"), 9);
    StartMenu();
    ::SetForegroundWindow(window_);

    Drag(RowPoint(Favorites(), 0), RowPoint(Recent(), 0));

    EXPECT_TRUE(WaitFor([&] { return StoredFavorites().size() == 1; }));
    EXPECT_EQ(StoredFavorites(), (std::vector<std::pair<std::wstring, DWORD>>{{L"Second", 0}}));
    EXPECT_EQ(Texts(ReadTreeView(Favorites())), std::vector<std::wstring>{L"Second"});
}
