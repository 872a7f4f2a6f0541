// The All Programs tree of the real menu, driven with the real pointer and keyboard: launching from
// it, opening its folders, wheel panning, and the menu answering while the tree's icons are preloaded.

#include "LeftColumnFixture.h"

namespace {

class AllProgramsTree : public LeftColumn {
protected:
    // Opens the All Programs view of a started menu and waits for the delayed start to fill the tree.
    void OpenAllPrograms()
    {
        ::SetForegroundWindow(window_);
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == window_; }));
        ::SendMessageW(AllProgramsButton(), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(Tree()); }));
        ASSERT_TRUE(WaitFor([&] { return !ReadTreeView(Tree()).empty(); }, 20s));
    }

    HWND Tree() const { return AllPrograms(); }

    // The middle of the n-th row on screen, counted from the tree's first visible row.
    POINT TreeRow(int row) const
    {
        const RECT r = RectOf(Tree());
        const int height = static_cast<int>(::SendMessageW(Tree(), TVM_GETITEMHEIGHT, 0, 0));
        return POINT{r.left + 60, r.top + row * height + height / 2};
    }

    void ClickTreeRow(int row)
    {
        ClickOn(Tree(), TreeRow(row));
    }

    std::vector<std::wstring> ExpandedRows() const
    {
        std::vector<std::wstring> expanded;
        for (const auto& row : ReadTreeView(Tree()))
            if (row.expanded)
                expanded.push_back(row.text);
        return expanded;
    }
};

} // namespace

TEST_F(AllProgramsTree, OnlyAPressAndReleaseOnTheSameProgramRowLaunchesIt)
{
    const std::wstring alpha = App(L"alpha"), zeta = App(L"zeta");
    const std::wstring alphaLink = UserProgramsFolder() + L"\\Alpha.lnk";
    ASSERT_TRUE(CreateShortcut(alphaLink, alpha));
    ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Zeta.lnk", zeta));
    StartMenu();
    OpenAllPrograms();
    ASSERT_EQ(Texts(ReadTreeView(Tree())), (std::vector<std::wstring>{L"Alpha", L"Zeta"}));

    // Pressed on one row and released on the other: nothing starts.
    Drag(TreeRow(0), TreeRow(1));
    Pause(1500ms);
    EXPECT_TRUE(RecordedRuns(alpha).empty());
    EXPECT_TRUE(RecordedRuns(zeta).empty());
    EXPECT_TRUE(IsShown(window_));

    ClickTreeRow(0);
    EXPECT_TRUE(WaitFor([&] { return RecordedRuns(alpha).size() == 1; }, 30s));
    EXPECT_TRUE(WaitFor([&] { return !IsShown(window_); }));
    // The launch is counted under the shortcut's own path and caption.
    const RegistryKey record = RecentRecordOf(alphaLink);
    EXPECT_TRUE(WaitFor([&] { return record.GetDword(L"StartCount") == 1u; }));
    EXPECT_EQ(record.GetString(L"Caption"), L"Alpha");
    EXPECT_TRUE(RecordedRuns(zeta).empty());
}

TEST_F(AllProgramsTree, FocusingAFolderOpensItAndClosesTheSiblingThatWasOpen)
{
    const std::wstring tool = App(L"tool");
    for (const wchar_t* link : {L"Alpha.lnk", L"Games\\Chess.lnk", L"Games\\Go.lnk", L"Tools\\Beta.lnk",
                                L"Tools\\Delta.lnk"})
        ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\" + link, tool));
    StartMenu();
    OpenAllPrograms();
    ASSERT_EQ(Texts(ReadTreeView(Tree())), (std::vector<std::wstring>{L"Alpha", L"Games", L"Tools"}));

    ClickTreeRow(1);
    EXPECT_TRUE(WaitFor([&] { return ExpandedRows() == std::vector<std::wstring>{L"Games"}; }));
    EXPECT_EQ(Texts(ReadTreeView(Tree())),
              (std::vector<std::wstring>{L"Alpha", L"Games", L"  Chess", L"  Go", L"Tools"}));

    ClickTreeRow(4);
    EXPECT_TRUE(WaitFor([&] { return ExpandedRows() == std::vector<std::wstring>{L"Tools"}; }));

    // A double-click toggles the row it hits.
    const POINT tools = TreeRow(2);
    DoubleClick(tools.x, tools.y);
    EXPECT_TRUE(WaitFor([&] { return ExpandedRows().empty(); }));
    DoubleClick(tools.x, tools.y);
    EXPECT_TRUE(WaitFor([&] { return ExpandedRows() == std::vector<std::wstring>{L"Tools"}; }));

    // The keyboard opens folders the same way: Up from Tools focuses Games, which opens.
    PressKey(VK_UP);
    EXPECT_TRUE(WaitFor([&] { return ExpandedRows() == std::vector<std::wstring>{L"Games"}; }));

    // Clicking folders starts nothing and counts nothing.
    EXPECT_TRUE(RecordedRuns(tool).empty());
    EXPECT_TRUE(HalvexSettingsKey().SubKey(L"Recent").SubKeys().empty());
    EXPECT_TRUE(IsShown(window_));
}

TEST_F(AllProgramsTree, OpeningAFolderAtTheBottomBringsItsRowsIntoView)
{
    const std::wstring tool = App(L"tool");
    for (int i = 0; i < 19; ++i)
        ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Program " + std::to_wstring(10 + i) + L".lnk", tool));
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Zoo\\Animal " + std::to_wstring(i) + L".lnk", tool));
    StartMenu();
    OpenAllPrograms();
    const int height = static_cast<int>(::SendMessageW(Tree(), TVM_GETITEMHEIGHT, 0, 0));
    const RECT tree = RectOf(Tree());
    const int rowsShown = (tree.bottom - tree.top) / height;
    ASSERT_LT(rowsShown, 20 + 8) << "the tree is tall enough for every row; the test needs a smaller one";

    PressKey(VK_DOWN);  // the first row
    PressKey(VK_END);   // the folder, last of the 20 top-level rows, which opens
    ASSERT_TRUE(WaitFor([&] { return ExpandedRows() == std::vector<std::wstring>{L"Zoo"}; }));
    // Its last row is the last one shown, and the folder's own row stays in view.
    EXPECT_TRUE(WaitFor([&] { return FirstVisibleRowIndex(Tree()) == 28 - rowsShown; }))
        << FirstVisibleRowIndex(Tree());
    EXPECT_LE(FirstVisibleRowIndex(Tree()), 19);
}

TEST_F(AllProgramsTree, EnterOnAFolderOpensTheFolderItself)
{
    ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Games\\Chess.lnk", App(L"chess")));
    StartMenu();
    OpenAllPrograms();

    PressKey(VK_DOWN);  // focuses Games, which opens
    ASSERT_TRUE(WaitFor([&] { return ExpandedRows() == std::vector<std::wstring>{L"Games"}; }));
    const auto windowsBefore = FindWindows({0, L"", true});
    PressKey(VK_RETURN);

    EXPECT_TRUE(WaitFor([&] { return !IsShown(window_); }));
    const RegistryKey record = RecentRecordOf(UserProgramsFolder() + L"\\Games");
    EXPECT_TRUE(WaitFor([&] { return record.GetDword(L"StartCount") == 1u; }));
    EXPECT_EQ(record.GetString(L"Caption"), L"Games");

    // The folder's window opens; it is closed again so that no stray window outlives the test.
    HWND folderWindow = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        for (HWND window : FindWindows({0, L"", true}))
            if (std::find(windowsBefore.begin(), windowsBefore.end(), window) == windowsBefore.end() &&
                TextOf(window).find(L"Games") != std::wstring::npos)
                folderWindow = window;
        return folderWindow != nullptr;
    }, 20s));
    if (folderWindow) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(folderWindow, &processId);
        if (HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId)) {
            ::PostMessageW(folderWindow, WM_CLOSE, 0, 0);
            EXPECT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "the folder's window stayed";
            ::CloseHandle(process);
        }
    }
}

TEST_F(AllProgramsTree, WheelPanningScrollsTheTreeFromWhereTheWheelWentDown)
{
    const std::wstring tool = App(L"tool");
    for (int i = 0; i < 50; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\Program %02d.lnk", i);
        ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + name, tool));
    }
    StartMenu();
    OpenAllPrograms();
    ASSERT_EQ(FirstVisibleRowIndex(Tree()), 0);
    const POINT middle = TreeRow(8);

    // Held and dragged below the origin: the tree scrolls down until the wheel is released.
    MoveMouse(middle.x, middle.y);
    Pause(50ms);
    ButtonDown(MouseButton::Middle, middle.x, middle.y);
    for (int step = 1; step <= 6; ++step) {
        MoveMouse(middle.x, middle.y + step * 20);
        Pause(30ms);
    }
    EXPECT_TRUE(WaitFor([&] { return FirstVisibleRowIndex(Tree()) >= 5; }, 10s));
    ButtonUp(MouseButton::Middle, middle.x, middle.y + 120);
    Pause(300ms);
    const int afterRelease = FirstVisibleRowIndex(Tree());
    Pause(700ms);
    EXPECT_EQ(FirstVisibleRowIndex(Tree()), afterRelease) << "the tree went on scrolling after the release";

    // Pressed and released without moving: the tree follows the pointer until the next click.
    MoveMouse(middle.x, middle.y);
    Pause(50ms);
    ButtonDown(MouseButton::Middle, middle.x, middle.y);
    Pause(30ms);
    ButtonUp(MouseButton::Middle, middle.x, middle.y);
    for (int step = 1; step <= 6; ++step) {
        MoveMouse(middle.x, middle.y - step * 20);
        Pause(30ms);
    }
    EXPECT_TRUE(WaitFor([&] { return FirstVisibleRowIndex(Tree()) == 0; }, 10s));
    Click(middle.x, middle.y - 120);
    MoveMouse(middle.x, middle.y + 120);
    Pause(700ms);
    EXPECT_EQ(FirstVisibleRowIndex(Tree()), 0) << "the click did not end the panning";
    // Neither the panning nor the click that ended it started anything.
    EXPECT_TRUE(RecordedRuns(tool).empty());
}

TEST_F(AllProgramsTree, TheMenuKeepsAnsweringWhileTheTreesIconsArePreloadedAndClosesAtOnce)
{
    // Preloading walks every row with short pauses: with 300 rows it runs for about 12 seconds.
    const std::wstring tool = App(L"tool");
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(CreateShortcut(UserProgramsFolder() + L"\\Set " + std::to_wstring(i % 10) + L"\\Program " +
                                       std::to_wstring(i) + L".lnk",
                                   tool));
    StartMenu();

    // From the window's first appearance through the delayed start and into the walk, the menu answers
    // every message within a few seconds. The scan that fills the tree holds it up for a moment; a
    // walk that did not serve the queue would hold it for the whole walk.
    auto answers = [&] {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 6000, &result) != 0;
    };
    const auto started = std::chrono::steady_clock::now();
    while (ReadTreeView(AllPrograms()).size() != 10) {
        ASSERT_TRUE(answers()) << "the menu did not answer before the tree was filled";
        ASSERT_LT(std::chrono::steady_clock::now() - started, 60s) << "the tree was never filled";
        Pause(100ms);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(answers()) << "the menu did not answer while preloading";
        Pause(200ms);
    }
    ::SendMessageW(window_, WM_TOGGLE_MENU, 0, Marker);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(window_); }, 2s));

    // Closing the window ends the walk and the process with it, long before the walk would end.
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(menu_.WaitForExit(4s).has_value());
}
