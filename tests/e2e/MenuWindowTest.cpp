// The menu window as a user meets it: where it opens for each taskbar edge, the toggle, and the
// foreground watch that closes it when the user turns to another window.

#include "E2E.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr UINT WM_TOGGLE_MENU = WM_USER + 126;
constexpr LPARAM Marker = 666;
constexpr int MenuWidth = 401;
constexpr int MenuHeight = 523;

int ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN); }

struct RunningMenu {
    Process process;
    HWND window = nullptr;
};

RunningMenu StartMenu()
{
    RunningMenu menu;
    menu.process = Process::Start(HalvexExe());
    menu.window = WaitForWindow({menu.process.id(), L"THalvexForm", true});
    return menu;
}

} // namespace

TEST(MenuWindow, OpensBesideTheTaskbarOnEachEdge)
{
    struct Case {
        const wchar_t* edge;
        int thickness;
        int left, top;  // expected, for the bench's screen
    };
    const int w = ScreenWidth(), h = ScreenHeight();
    const Case cases[] = {
        {L"bottom", 40, 0, h - MenuHeight - 40},
        {L"top", 30, 0, 30},
        {L"left", 62, 62, 0},
        {L"right", 62, w - MenuWidth - 62, 0},
    };
    // The full-HD run says so, so that it cannot pass on a smaller desktop by mistake.
    wchar_t expected[32] = {};
    if (::GetEnvironmentVariableW(L"HALVEX_EXPECT_SCREEN", expected, 32) && std::wstring(expected) == L"1920x1080") {
        ASSERT_EQ(w, 1920);
        ASSERT_EQ(h, 1080);
        ASSERT_EQ(cases[0].top, 517);  // a 40-pixel bottom taskbar on a full-HD screen
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edge, c.edge + wcslen(c.edge)));
        TaskbarStandIn taskbar(c.edge, c.thickness);
        RunningMenu menu = StartMenu();
        ASSERT_NE(menu.window, nullptr);
        const RECT r = RectOf(menu.window);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right - r.left, MenuWidth);
        EXPECT_EQ(r.bottom - r.top, MenuHeight);
    }
}

TEST(MenuWindow, TheToggleMessageHidesAndShowsTheMenu)
{
    TaskbarStandIn taskbar;
    RunningMenu menu = StartMenu();
    ASSERT_NE(menu.window, nullptr);
    MoveMouse(ScreenWidth() - 50, 50);

    ::SendMessageW(menu.window, WM_TOGGLE_MENU, 0, Marker);
    EXPECT_FALSE(IsShown(menu.window));
    ::SendMessageW(menu.window, WM_TOGGLE_MENU, 0, Marker);
    EXPECT_TRUE(IsShown(menu.window));
    // Shown again beside the taskbar, at its full size.
    const RECT r = RectOf(menu.window);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, ScreenHeight() - MenuHeight - 40);
    EXPECT_EQ(r.bottom - r.top, MenuHeight);
}

class ForegroundWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        menu_ = StartMenu();
        ASSERT_NE(menu_.window, nullptr);
    }

    TaskbarStandIn taskbar_;
    RunningMenu menu_;
};

TEST_F(ForegroundWatch, HidesTheMenuWhenAnotherWindowTakesTheForegroundAwayFromThePointer)
{
    MoveMouse(ScreenWidth() - 100, 100);
    TestWindow other(ScreenWidth() - 400, 50, 300, 200);
    other.Activate();
    EXPECT_TRUE(WaitFor([&] { return !IsShown(menu_.window); }, 5s)) << "the menu stayed open";
    EXPECT_TRUE(menu_.process.running());
}

TEST_F(ForegroundWatch, KeepsTheMenuWhileThePointerRestsOnIt)
{
    const RECT r = RectOf(menu_.window);
    MoveMouse(r.left + 150, r.top + 200);
    TestWindow other(ScreenWidth() - 400, 50, 300, 200);
    other.Activate();
    Pause(1500ms);  // several ticks of the watch
    EXPECT_TRUE(IsShown(menu_.window));
}

TEST_F(ForegroundWatch, BringsTheMenuBackWhenAWindowUnderThePointerTakesTheForeground)
{
    // With a bottom taskbar the strip below the menu counts as the menu's: the pointer there is over
    // the taskbar, not the menu, and the menu takes the foreground back.
    const RECT r = RectOf(menu_.window);
    MoveMouse(r.left + 100, ScreenHeight() - 10);
    TestWindow other(ScreenWidth() - 400, 50, 300, 200);
    other.Activate();
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == menu_.window; }, 5s));
    EXPECT_TRUE(IsShown(menu_.window));
}
