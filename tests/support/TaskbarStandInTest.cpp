// The taskbar stand-in must behave as the parts of Explorer's taskbar that the menu relies on, or
// every end-to-end test built on it would test against a wrong picture of Windows.

#include "E2E.h"
#include "taskbar/StandInProtocol.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

int ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN); }

RECT ClientRectInParent(HWND child)
{
    RECT r = RectOf(child);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST(TaskbarStandIn, IsTheTaskbarThatFindWindowReturns)
{
    // Wine's explorer keeps a hidden Shell_TrayWnd of its own; the menu must find the stand-in.
    TaskbarStandIn taskbar;
    EXPECT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), taskbar.tray());
    EXPECT_TRUE(::IsWindowVisible(taskbar.tray()));
    EXPECT_NE(taskbar.bands(), nullptr);
    EXPECT_EQ(ClassNameOf(taskbar.bands()), L"ReBarWindow32");
}

struct EdgeCase {
    const wchar_t* edge;
    int thickness;
    RECT (*expected)(int w, int h, int t);
    bool horizontal;
};

class TaskbarStandInEdges : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(TaskbarStandInEdges, SitsAtItsEdgeWithItsBandsAtTheNearEnd)
{
    const EdgeCase& c = GetParam();
    TaskbarStandIn taskbar(c.edge, c.thickness);
    const int w = ScreenWidth(), h = ScreenHeight();
    RECT expected = c.expected(w, h, c.thickness);
    RECT actual = RectOf(taskbar.tray());
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);

    RECT bands = ClientRectInParent(taskbar.bands());
    EXPECT_EQ(bands.left, 0);
    EXPECT_EQ(bands.top, 0);
    if (c.horizontal) {
        EXPECT_EQ(bands.bottom, c.thickness);
        EXPECT_EQ(bands.right, w - standin::NotificationAreaLength);
    } else {
        EXPECT_EQ(bands.right, c.thickness);
        EXPECT_EQ(bands.bottom, h - standin::NotificationAreaLength);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllEdges, TaskbarStandInEdges,
    ::testing::Values(
        EdgeCase{L"bottom", 40, [](int w, int h, int thick) { return RECT{0, h - thick, w, h}; }, true},
        EdgeCase{L"top", 30, [](int w, int, int thick) { return RECT{0, 0, w, thick}; }, true},
        EdgeCase{L"left", 62, [](int, int h, int thick) { return RECT{0, 0, thick, h}; }, false},
        EdgeCase{L"right", 62, [](int w, int h, int thick) { return RECT{w - thick, 0, w, h}; }, false}));

TEST(TaskbarStandIn, LaysItsBandsOutAgainWhenResizedOrAsked)
{
    TaskbarStandIn taskbar(L"bottom", 40);
    HWND bands = taskbar.bands();
    ::SetWindowPos(bands, nullptr, 45, 0, 300, 40, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(ClientRectInParent(bands).left, 45);

    // Explorer puts its bands back whenever the taskbar changes size.
    RECT tray = RectOf(taskbar.tray());
    ::SetWindowPos(taskbar.tray(), nullptr, tray.left, tray.top - 20, tray.right - tray.left, 60,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitFor([&] { return ClientRectInParent(bands).left == 0; }));
    EXPECT_EQ(ClientRectInParent(bands).bottom, 60);

    ::SetWindowPos(bands, nullptr, 45, 0, 300, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(taskbar.tray(), standin::WM_STANDIN_RELAYOUT, 0, 0);
    EXPECT_EQ(ClientRectInParent(bands).left, 0);
}

TEST(TaskbarStandIn, MovesToAnotherEdgeOnRequest)
{
    TaskbarStandIn taskbar(L"bottom", 40);
    ASSERT_EQ(::SendMessageW(taskbar.tray(), standin::WM_STANDIN_MOVE, static_cast<WPARAM>(standin::Edge::Left), 50), 1);
    RECT r = RectOf(taskbar.tray());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(r.bottom, ScreenHeight());
    EXPECT_EQ(ClientRectInParent(taskbar.bands()).bottom, ScreenHeight() - standin::NotificationAreaLength);
    EXPECT_EQ(::SendMessageW(taskbar.tray(), standin::WM_STANDIN_MOVE, 9, 50), 0);
}

TEST(TaskbarStandIn, CountsTaskListRequestsOnly)
{
    TaskbarStandIn taskbar;
    EXPECT_EQ(taskbar.TaskListRequests(), 0);
    ::SendMessageW(taskbar.tray(), WM_SYSCOMMAND, SC_TASKLIST, 0);
    ::SendMessageW(taskbar.tray(), WM_SYSCOMMAND, SC_TASKLIST, 0);
    ::PostMessageW(taskbar.tray(), WM_SYSCOMMAND, SC_KEYMENU, 0);
    EXPECT_EQ(taskbar.TaskListRequests(), 2);
}

TEST(TaskbarStandIn, ShowsTheSwitcherTileInTheBottomLeftCornerWhenAsked)
{
    {
        TaskbarStandIn without;
        EXPECT_TRUE(FindWindows({without.process().id(), L"ImmersiveSwitchList", false}).empty());
    }
    TaskbarStandIn taskbar(L"bottom", 40, 24);
    HWND tile = WaitForWindow({taskbar.process().id(), L"ImmersiveSwitchList", true});
    ASSERT_NE(tile, nullptr);
    RECT r = RectOf(tile);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.bottom, ScreenHeight());
    EXPECT_EQ(r.right - r.left, 24);
    POINT corner{1, ScreenHeight() - 2};
    EXPECT_EQ(ClassNameOf(::WindowFromPoint(corner)), L"ImmersiveSwitchList");
}
