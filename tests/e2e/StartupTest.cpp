// Starts the real program under the stand-in taskbar and looks at it from outside.

#include "E2E.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(Startup, ResidentStartShowsTheMenuWindow)
{
    TaskbarStandIn taskbar;
    Process halvex = Process::Start(HalvexExe());
    HWND menu = WaitForWindow({halvex.id(), L"THalvexForm", true});
    ASSERT_NE(menu, nullptr) << "no visible THalvexForm window";

    EXPECT_EQ(TextOf(menu), L"Halvex Start Menu");
    EXPECT_EQ(::GetWindowLongPtrW(menu, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    EXPECT_EQ(::GetWindowLongPtrW(menu, GWL_STYLE) & WS_CAPTION, 0) << "the menu window has no border";
    RECT r = RectOf(menu);
    EXPECT_EQ(r.right - r.left, 401);
    EXPECT_EQ(r.bottom - r.top, 523);
    EXPECT_TRUE(halvex.running());

    halvex.Stop();
    EXPECT_FALSE(halvex.running());
}
