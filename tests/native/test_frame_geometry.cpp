// Size states of the capture frame and the rectangle it publishes.
#include <gtest/gtest.h>

#include <string>

#include "frame_geometry.h"

namespace {

std::string Str(const zelvix::FrameMove& m)
{
    return m.bMove ? std::to_string(m.x) + "," + std::to_string(m.y) + " " + std::to_string(m.cx) + "x" + std::to_string(m.cy) : "-";
}

TEST(FrameSizeState, CommandsWalkTheThreeSizes)
{
    zelvix::FrameSizeState s;
    EXPECT_EQ("-", Str(s.Shrink()));
    EXPECT_EQ("40,40 1024x602", Str(s.Enlarge(1920, 1080)));
    s.SampleCapture(300, 200, 1324, 802);  // dragged, then a tick
    EXPECT_EQ("0,0 1920x1080", Str(s.Enlarge(1920, 1080)));
    EXPECT_EQ("-", Str(s.Enlarge(1920, 1080)));
    s.SampleCapture(0, 0, 1920, 1080);
    EXPECT_EQ("300,200 1024x602", Str(s.Shrink()));  // back where it was before full screen
    EXPECT_EQ("0,0 800x476", Str(s.Shrink()));       // at the last sample, taken in full screen
    EXPECT_EQ("0,0 1280x1024", Str(s.ToggleFullScreen(1280, 1024)));
    EXPECT_EQ("0,0 800x476", Str(s.ToggleFullScreen(1280, 1024)));
    s.nWidth = 900;  // no size state of ours: both commands do nothing
    EXPECT_EQ("- -", Str(s.Enlarge(1920, 1080)) + " " + Str(s.Shrink()));
}

TEST(FrameSizeState, CaptureRectangleFromStoredOrRealSize)
{
    const struct { bool full; int w, h, l, t, r, b; zelvix::CaptureRect published; } cases[] = {
        {false, 800, 476, 100, 50, 900, 526, {102, 76, 796, 450}},
        {false, 1024, 602, 0, 0, 1024, 602, {2, 26, 1020, 576}},
        {false, 800, 476, 40, 40, 700, 300, {42, 66, 796, 450}},  // the stored size wins outside full screen
        {true, 1024, 602, 100, 0, 2020, 1080, {102, 26, 1916, 1054}},
        {false, 800, 476, -50, -30, 750, 446, {-48, -4, 796, 450}},
        {false, 800, 476, INT32_MAX, 0, 0, 0, {INT32_MIN + 1, 26, 796, 450}},  // wraps, no overflow
    };
    for (const auto& c : cases) {
        zelvix::FrameSizeState s{-1, -1, 0, 0, c.w, c.h, c.full};
        const zelvix::CaptureRect r = s.SampleCapture(c.l, c.t, c.r, c.b);
        EXPECT_TRUE(r.nLeft == c.published.nLeft && r.nTop == c.published.nTop && r.nWidth == c.published.nWidth &&
                    r.nHeight == c.published.nHeight && s.nX == c.l && s.nY == c.t)
            << "window at " << c.l << "," << c.t << ": " << r.nLeft << "," << r.nTop << " " << r.nWidth << "x" << r.nHeight;
    }
    EXPECT_EQ(0xFFFFFFD0u, zelvix::ToRegistryDword(-48));
}

}  // namespace
