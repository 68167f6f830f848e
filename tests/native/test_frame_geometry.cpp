// Size states of the capture frame and the rectangle it publishes.
#include <gtest/gtest.h>

#include "frame_geometry.h"

namespace {

using zelvix::FrameSizeState;

void ExpectMove(const zelvix::FrameMove& m, bool move, int x, int y, int cx, int cy, const char* step)
{
    SCOPED_TRACE(step);
    EXPECT_EQ(move, m.bMove);
    if (move) {
        EXPECT_EQ(x, m.x);
        EXPECT_EQ(y, m.y);
        EXPECT_EQ(cx, m.cx);
        EXPECT_EQ(cy, m.cy);
    }
}

TEST(FrameSizeState, EnlargeAndShrinkWalkTheThreeSizes)
{
    FrameSizeState s;
    ExpectMove(s.Shrink(), false, 0, 0, 0, 0, "shrink in normal size");
    ExpectMove(s.Enlarge(1920, 1080), true, 40, 40, 1024, 602, "enlarge to large");
    s.SampleCapture(300, 200, 1324, 802);  // dragged, then a tick
    ExpectMove(s.Enlarge(1920, 1080), true, 0, 0, 1920, 1080, "enlarge to full screen");
    EXPECT_TRUE(s.bFullScreen);
    EXPECT_EQ(1024, s.nWidth);
    ExpectMove(s.Enlarge(1920, 1080), false, 0, 0, 0, 0, "enlarge in full screen");
    s.SampleCapture(0, 0, 1920, 1080);
    ExpectMove(s.Shrink(), true, 300, 200, 1024, 602, "shrink back to large at the saved place");
    ExpectMove(s.Shrink(), true, 0, 0, 800, 476, "shrink to normal at the last sample");
    EXPECT_FALSE(s.bFullScreen);

    FrameSizeState t;  // command 100 from normal size returns to normal size
    ExpectMove(t.ToggleFullScreen(1280, 1024), true, 0, 0, 1280, 1024, "toggle on");
    EXPECT_EQ(40, t.nSavedX);
    ExpectMove(t.ToggleFullScreen(1280, 1024), true, 40, 40, 800, 476, "toggle off");

    FrameSizeState odd;
    odd.nWidth = 900;
    ExpectMove(odd.Enlarge(1920, 1080), false, 0, 0, 0, 0, "enlarge from an unknown width");
    ExpectMove(odd.Shrink(), false, 0, 0, 0, 0, "shrink from an unknown width");
}

TEST(FrameSizeState, CaptureRectangleFromStoredOrRealSize)
{
    const struct { bool full; int w, h; int l, t, r, b; int x, y, cx, cy; } cases[] = {
        {false, 800, 476, 100, 50, 900, 526, 102, 76, 796, 450},
        {false, 1024, 602, 0, 0, 1024, 602, 2, 26, 1020, 576},
        {false, 800, 476, 40, 40, 700, 300, 42, 66, 796, 450},  // the stored size wins outside full screen
        {true, 1024, 602, 0, 0, 1920, 1080, 2, 26, 1916, 1054},
        {true, 1024, 602, 100, 0, 2020, 1080, 102, 26, 1916, 1054},
        {false, 800, 476, -50, -30, 750, 446, -48, -4, 796, 450},
        {false, 800, 476, INT32_MAX, 0, 0, 0, INT32_MIN + 1, 26, 796, 450},  // wraps, no overflow
    };
    for (const auto& c : cases) {
        FrameSizeState s;
        s.bFullScreen = c.full;
        s.nWidth = c.w;
        s.nHeight = c.h;
        const zelvix::CaptureRect r = s.SampleCapture(c.l, c.t, c.r, c.b);
        SCOPED_TRACE(testing::Message() << "window " << c.l << ',' << c.t << ',' << c.r << ',' << c.b);
        EXPECT_EQ(c.l, s.nX);
        EXPECT_EQ(c.t, s.nY);
        EXPECT_EQ(c.x, r.nLeft);
        EXPECT_EQ(c.y, r.nTop);
        EXPECT_EQ(c.cx, r.nWidth);
        EXPECT_EQ(c.cy, r.nHeight);
    }
    EXPECT_EQ(0xFFFFFFD0u, zelvix::ToRegistryDword(-48));
    EXPECT_EQ(0xFFFFFFF6u, zelvix::ToRegistryDword(-10));
}

}  // namespace
