#include "menu/Placement.h"

#include <gtest/gtest.h>

using namespace halvex;

TEST(ClassifyTaskbar, FindsTheEdgeAndThicknessFromTheRectangle)
{
    struct Case {
        RECT taskbar;
        int virtualLeft, virtualTop, screenWidth;
        TaskbarEdge edge;
        int thickness;
    };
    const Case cases[] = {
        {{0, 1040, 1920, 1080}, 0, 0, 1920, TaskbarEdge::Bottom, 40},
        {{0, 0, 1920, 30}, 0, 0, 1920, TaskbarEdge::Top, 30},
        {{0, 0, 62, 1080}, 0, 0, 1920, TaskbarEdge::Left, 62},
        {{1858, 0, 1920, 1080}, 0, 0, 1920, TaskbarEdge::Right, 62},
        // A second monitor left of the primary one moves the virtual screen's origin.
        {{-1280, 0, -1240, 1024}, -1280, 0, 1920, TaskbarEdge::Left, 40},
        {{0, 0, 1920, 40}, -1280, 0, 1920, TaskbarEdge::Right, 1920},
        // A top taskbar on a monitor above the primary one.
        {{0, -1080, 1920, -1040}, 0, -1080, 1920, TaskbarEdge::Top, 40},
        // A top-left taskbar that does not span the screen counts as a left one.
        {{0, 0, 800, 40}, 0, 0, 1920, TaskbarEdge::Left, 800},
        // An auto-hidden bottom taskbar, pushed 2 px from the screen's bottom edge, still has its size.
        {{0, 1078, 1920, 1118}, 0, 0, 1920, TaskbarEdge::Bottom, 40},
    };
    for (const Case& c : cases) {
        const TaskbarPlace place = ClassifyTaskbar(c.taskbar, c.virtualLeft, c.virtualTop, c.screenWidth);
        EXPECT_EQ(place.edge, c.edge) << c.taskbar.left << "," << c.taskbar.top;
        EXPECT_EQ(place.thickness, c.thickness) << c.taskbar.left << "," << c.taskbar.top;
    }
}

TEST(PlaceMenu, PutsTheWindowBesideTheTaskbarOnThePrimaryMonitor)
{
    const RECT fullHd{0, 0, 1920, 1080};
    struct Case {
        TaskbarPlace taskbar;
        RECT monitor;
        int width, height;
        MenuPlacement expected;
    };
    const Case cases[] = {
        {{TaskbarEdge::Bottom, 40}, fullHd, 401, 523, {true, 0, 517, false}},
        {{TaskbarEdge::Top, 40}, fullHd, 401, 523, {true, 0, 40, false}},
        {{TaskbarEdge::Left, 62}, fullHd, 401, 523, {true, 62, 0, false}},
        // The window's right edge touches the taskbar, and the right column changes sides.
        {{TaskbarEdge::Right, 62}, fullHd, 401, 523, {true, 1457, 0, true}},
        {{TaskbarEdge::Bottom, 40}, {0, 0, 1280, 800}, 401, 526, {true, 0, 234, false}},
        // A primary monitor that does not start at the origin.
        {{TaskbarEdge::Bottom, 30}, {100, 50, 1380, 850}, 401, 523, {true, 100, 297, false}},
        // No taskbar ever found: the window stays where it is.
        {{TaskbarEdge::None, 50}, fullHd, 401, 523, {false, 0, 0, false}},
    };
    for (const Case& c : cases) {
        const MenuPlacement placement = PlaceMenu(c.taskbar, c.monitor, c.width, c.height);
        SCOPED_TRACE(static_cast<int>(c.taskbar.edge));
        EXPECT_EQ(placement.move, c.expected.move);
        EXPECT_EQ(placement.left, c.expected.left);
        EXPECT_EQ(placement.top, c.expected.top);
        EXPECT_EQ(placement.rightColumnOnLeft, c.expected.rightColumnOnLeft);
    }
}

TEST(MenuHeightFor, GrowsWithTheFavoritesBeyondTheStandardHeight)
{
    // Favorites lists are rows * 32 + 2 high.
    EXPECT_EQ(MenuHeightFor(0), 523);
    EXPECT_EQ(MenuHeightFor(10 * 32 + 2), 523);
    EXPECT_EQ(MenuHeightFor(351), 523);
    EXPECT_EQ(MenuHeightFor(11 * 32 + 2), 526);
    EXPECT_EQ(MenuHeightFor(20 * 32 + 2), 814);
}
