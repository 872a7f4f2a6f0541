// The left column of the real menu, read as a screen reader would (the lists' rows through their
// standard messages) and driven with real clicks and keys, over a seeded registry and Start Menu.

#include "LeftColumnFixture.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <type_traits>

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
    const RegistryKey record = RecentRecordOf(recent);
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
    StartWithTwoFavoritesAndTwoRecentPrograms();
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

TEST_F(LeftColumn, RowsLightUpUnderThePointerAndWhileSelectedAndTheListsEndInALine)
{
    StartWithTwoFavoritesAndTwoRecentPrograms();
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == window_; }));
    HWND favorites = Favorites(), recent = Recent();
    constexpr COLORREF White = RGB(255, 255, 255);

    // Each list ends in a line in the slot two pixels below its last row.
    constexpr COLORREF Separator = RGB(214, 221, 232);
    for (HWND list : {favorites, recent}) {
        const RECT r = RectOf(list);
        const int middle = (r.left + r.right) / 2;
        EXPECT_TRUE(WaitFor([&] {
            return ScreenPixel(middle, r.bottom - 1) == Separator && ScreenPixel(middle, r.bottom - 2) == White;
        })) << TextOf(list) << ": " << ScreenPixel(middle, r.bottom - 1) << " above " << ScreenPixel(middle, r.bottom - 2);
    }

    // A pixel at the right end of a row, away from its text, shows whether the row is lit. The four
    // rows read as "favorites|recent", "#" for a lit row: "#.|.." has the first favorite lit.
    auto lit = [](HWND list, int row) {
        const RECT r = RectOf(list);
        return ScreenPixel(r.right - 8, r.top + row * 32 + 16) != White ? '#' : '.';
    };
    auto litRows = [&] {
        return std::string{lit(favorites, 0), lit(favorites, 1), '|', lit(recent, 0), lit(recent, 1)};
    };
    auto selectedRows = [&] {
        std::string rows;
        for (HWND list : {favorites, recent}) {
            if (!rows.empty())
                rows += '|';
            for (const auto& row : ReadTreeView(list))
                rows += row.selected ? '#' : '.';
        }
        return rows;
    };
    const RECT strip = RectOf(window_);
    MoveMouse(strip.left + 10, strip.top + 300);  // onto the side strip, away from the lists
    EXPECT_TRUE(WaitFor([&] { return litRows() == "..|.."; })) << litRows();

    // The row under the pointer lights up, and only while the pointer is on it.
    POINT row = RowPoint(recent, 1);
    MoveMouse(row.x, row.y);
    EXPECT_TRUE(WaitFor([&] { return litRows() == "..|.#"; })) << litRows();
    row = RowPoint(recent, 0);
    MoveMouse(row.x, row.y);
    EXPECT_TRUE(WaitFor([&] { return litRows() == "..|#."; })) << litRows();
    MoveMouse(strip.left + 10, strip.top + 300);
    EXPECT_TRUE(WaitFor([&] { return litRows() == "..|.."; })) << litRows();

    // Down selects the first favorite; Down on the last favorite crosses to the first recent program,
    // and Up on it crosses back; the selected row is lit.
    const std::vector<std::pair<WORD, std::string>> steps = {
        {VK_DOWN, "#.|.."}, {VK_DOWN, ".#|.."}, {VK_DOWN, "..|#."}, {VK_UP, ".#|.."}};
    for (const auto& [key, expected] : steps) {
        PressKey(key);
        EXPECT_TRUE(WaitFor([&] { return selectedRows() == expected; })) << selectedRows();
        EXPECT_TRUE(WaitFor([&] { return litRows() == expected; })) << litRows();
    }
}

namespace {

std::vector<std::pair<DWORD, bool>> keysSeen;  // virtual key, pressed (false: released)

std::string RunningPrograms()
{
    std::string names;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        for (const wchar_t* c = entry.szExeFile; *c; ++c)
            names += static_cast<char>(*c < 128 ? *c : '?');
        names += ' ';
    }
    ::CloseHandle(snapshot);
    return names;
}

LRESULT CALLBACK RecordKeys(int code, WPARAM message, LPARAM data)
{
    if (code == HC_ACTION) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        keysSeen.emplace_back(key.vkCode, message == WM_KEYDOWN || message == WM_SYSKEYDOWN);
    }
    return ::CallNextHookEx(nullptr, code, message, data);
}

} // namespace

TEST_F(LeftColumn, TheSideStripOpensTheStartScreenOrTheVendorsPageAndHidesTheMenu)
{
    // Web addresses open with a recorder instead of a browser.
    const std::wstring browser = App(L"browser");
    struct RestoredOnExit {
        RegistryKey key;
        std::optional<std::wstring> value;
        ~RestoredOnExit()
        {
            if (value)
                key.SetString(L"", *value);
        }
    };
    const RegistryKey command(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command");
    const RestoredOnExit browserBefore{command, command.GetString(L"")};
    command.SetString(L"", L"\"" + browser + L"\" \"%1\"");

    StartMenu();
    const RECT menu = RectOf(window_);

    // The "Veradav 8 Eved" caption at the top presses and releases the right Windows key.
    keysSeen.clear();
    const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&::UnhookWindowsHookEx)> hook(
        ::SetWindowsHookExW(WH_KEYBOARD_LL, RecordKeys, ::GetModuleHandleW(nullptr), 0), &::UnhookWindowsHookEx);
    ASSERT_NE(hook, nullptr);
    ClickOn(window_, POINT{menu.left + 12, menu.top + 70});
    EXPECT_TRUE(WaitFor([&] { return !IsShown(window_); }));
    EXPECT_TRUE(WaitFor([&] {
        return keysSeen == std::vector<std::pair<DWORD, bool>>{{VK_RWIN, true}, {VK_RWIN, false}};
    }));

    // The product name at the bottom opens the vendor's home page.
    ::SendMessageW(window_, WM_TOGGLE_MENU, 0, Marker);
    ASSERT_TRUE(WaitFor([&] { return IsShown(window_); }));
    ClickOn(window_, POINT{menu.left + 12, menu.bottom - 80});
    EXPECT_TRUE(WaitFor([&] { return !IsShown(window_); }));
    if (!WaitFor([&] { return !RecordedRuns(browser).empty(); }, 30s)) {
        ADD_FAILURE() << "the page was not opened; running programs: " << RunningPrograms();
        Pause(1s);
        ADD_FAILURE() << "a second later: " << RunningPrograms();
    }
    const auto runs = RecordedRuns(browser);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NE(runs.front().find(L"https://www.tervane.com/"), std::wstring::npos) << runs.front();
}
