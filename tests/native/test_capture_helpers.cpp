// The capture frame's pure helpers: its size states and the rectangle it publishes, and the still
// image's path beside the executable.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "capture/frame_geometry.h"
#include "capture/image_path.h"

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
        {false, 800, 476, 40, 40, 700, 300, {42, 66, 796, 450}},  // the stored size wins outside full screen
        {true, 1024, 602, 100, 0, 2020, 1080, {102, 26, 1916, 1054}},
        {false, 1024, 602, -50, -30, 974, 572, {-48, -4, 1020, 576}},
        {false, 800, 476, INT32_MAX, 0, 0, 0, {INT32_MIN + 1, 26, 796, 450}},  // wraps, no overflow
    };
    for (const auto& c : cases) {
        zelvix::FrameSizeState s{-1, -1, 0, 0, c.w, c.h, c.full};
        const zelvix::CaptureRect r = s.SampleCapture(c.l, c.t, c.r, c.b);
        EXPECT_TRUE(r.nLeft == c.published.nLeft && r.nTop == c.published.nTop && r.nWidth == c.published.nWidth &&
                    r.nHeight == c.published.nHeight && s.nX == c.l && s.nY == c.t)
            << "window at " << c.l << "," << c.t << ": " << r.nLeft << "," << r.nTop << " " << r.nWidth << "x" << r.nHeight;
    }
}

TEST(StillImagePath, DirectoryOfTheModuleAndOneBmp)
{
    const std::string longDir = "C:\\" + std::string(600, 'd');   // no fixed-size buffer on the way
    const struct { std::string module, image; } cases[] = {
        {"C:\\Tools\\app.exe", "C:\\Tools\\1.bmp"}, {"app.exe", "\\1.bmp"}, {"", "\\1.bmp"},
        {"C:\\ab\\", "C:\\ab\\1.bmp"}, {"C:\\ab", "C:\\1.bmp"},  // a path cut anywhere
        {std::string("C:\\A\\b.exe\0\\junk", 16), "C:\\A\\1.bmp"},          // stops at a 0 byte
        {"C:\\\xD6\xD0\xCE\xC4\\zelvix.exe", "C:\\\xD6\xD0\xCE\xC4\\1.bmp"},  // a "中文" directory
        {"C:\\\x81\x5C.exe", "C:\\1.bmp"},                                   // 0x5C as trail byte is no backslash
        {longDir + "\\zelvix.exe", longDir + "\\1.bmp"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<char[]> bytes(new char[c.module.size()]);  // exact size, unterminated like a cut result
        std::memcpy(bytes.get(), c.module.data(), c.module.size());
        EXPECT_EQ(c.image, zelvix::StillImagePath(bytes.get(), c.module.size(), [](unsigned char b) { return b >= 0x81 && b <= 0xFE; }))
            << '"' << c.module << '"';
    }
    EXPECT_TRUE(zelvix::ModulePathFits(259, 260));
    EXPECT_FALSE(zelvix::ModulePathFits(260, 260) || zelvix::ModulePathFits(0, 260));  // cut or failed: grow or give up
}

}  // namespace
