// e2e_frame_window.cpp - the capture frame right after start, and its picture on the screen.
#include "common/frame_fixture.h"

#include <algorithm>
#include <cstring>

namespace
{
// Screen point of a client pixel of a frame standing at (FRAME_X, FRAME_Y).
int SX(int x) { return FRAME_X + x; }
int SY(int y) { return FRAME_Y + y; }

bool IsTextPixel(COLORREF cr)
{
    // White text anti-aliased on the blue strip: clearly lighter than the strip in red.
    return cr != CLR_INVALID && GetRValue(cr) > 150 && GetGValue(cr) > 200;
}

// Rightmost column (client x) with text pixels in the capture switch's label area, or -1.
int CaptureLabelRightEdge(const CScreenShot& shot)
{
    int nRight = -1;
    for (int x = 358; x < 478; ++x)
        for (int y = 6; y < 20; ++y)
            if (IsTextPixel(shot.At(SX(x), SY(y))))
                nRight = std::max(nRight, x);
    return nRight;
}

// The 2-pixel red band below the strip, sampled on all four sides of a frame cx x cy.
::testing::AssertionResult BandIs(const CScreenShot& shot, int cx, int cy, bool bShown)
{
    const COLORREF crBand = bShown ? OUTLINE_COLOR : RootColor();
    const COLORREF crRoot = RootColor();
    const struct { int x, y; COLORREF cr; } points[] = {
        { 300, 23, crRoot }, { 300, 24, crBand }, { 300, 25, crBand }, { 300, 26, crRoot },    // top
        { 0, 200, crBand }, { 1, 200, crBand }, { 2, 200, crRoot },                           // left
        { cx - 1, 200, crBand }, { cx - 2, 200, crBand }, { cx - 3, 200, crRoot },            // right
        { 300, cy - 1, crBand }, { 300, cy - 2, crBand }, { 300, cy - 3, crRoot },            // bottom
        { 0, 24, crBand }, { cx - 1, cy - 1, crBand },                                        // corners
    };
    for (const auto& p : points) {
        ::testing::AssertionResult r = PixelIs(shot, SX(p.x), SY(p.y), p.cr);
        if (!r)
            return r << " (client " << p.x << ", " << p.y << ", outline " << (bShown ? "on" : "off") << ")";
    }
    return ::testing::AssertionSuccess();
}

bool StripPainted()
{
    CScreenShot shot;
    return shot.At(SX(700), SY(12)) == STRIP_COLOR;
}
} // namespace

class FrameWindow : public CFrameTest
{
};

TEST_F(FrameWindow, StartsAsOneTopmostColourKeyedToolWindowAndPublishesItsPlace)
{
    SetCaptureDword("start_x", SENTINEL);
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    LogStep("window: %s", DescribeFrameRect().c_str());
    EXPECT_TRUE(FrameRectIs(FRAME_X, FRAME_Y, FRAME_CX, FRAME_CY)) << "frame at " << DescribeFrameRect();
    const LONG lExStyle = ::GetWindowLongA(m_hFrame, GWL_EXSTYLE);
    EXPECT_NE(0, lExStyle & WS_EX_TOPMOST) << "ex style " << std::hex << lExStyle;
    EXPECT_NE(0, lExStyle & WS_EX_TOOLWINDOW) << "ex style " << std::hex << lExStyle;
    EXPECT_EQ(0, lExStyle & WS_EX_APPWINDOW) << "a tool window has no task-bar entry";
    EXPECT_NE(0, lExStyle & WS_EX_LAYERED) << "ex style " << std::hex << lExStyle;
    EXPECT_EQ((DWORD)(WS_POPUP | WS_VISIBLE),
              (DWORD)::GetWindowLongA(m_hFrame, GWL_STYLE) & (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_CHILD));

    COLORREF crKey = 0;
    BYTE bAlpha = 0;
    DWORD dwFlags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(m_hFrame, &crKey, &bAlpha, &dwFlags));
    EXPECT_EQ(RGB(0, 255, 0), crKey);
    EXPECT_NE(0u, dwFlags & LWA_COLORKEY) << "flags " << dwFlags;

    int nToolWindows = 0;
    FindProcessWindow(m_process.GetProcessId(), [&](HWND h) {
        if ((::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && ::IsWindowVisible(h))
            ++nToolWindows;
        return false;
    });
    EXPECT_EQ(1, nToolWindows);

    // Six buttons with their ids, in the strip.
    for (int nID : { 0, CMD_SHOW_FRAME, CMD_CLOSE, CMD_CAPTURE, CMD_SHRINK, CMD_ENLARGE })
        EXPECT_TRUE(::GetDlgItem(m_hFrame, nID) != NULL) << "button " << nID;

    LogStep("wait for the first tick");
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, FRAME_X + 2, FRAME_Y + 26, 796, 450)) << DescribePublished();
    DWORD dwShow = 0;
    EXPECT_TRUE(ReadCaptureDword("show_img", &dwShow) && dwShow == 1) << DescribePublished();
    std::string strImage;
    ASSERT_TRUE(ReadCaptureString("img_filename", &strImage));
    EXPECT_EQ(0, _stricmp(StillImagePathFor(ZelvixExePath()).c_str(), strImage.c_str()))
        << "img_filename is " << strImage;
}

TEST_F(FrameWindow, ShowsTheDesktopInsideTheStripAndTheRedBand)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitStable(WAIT_MS, StripPainted)) << "the strip was never painted";
    CScreenShot shot;
    LogStep("picture taken");

    // The inside and the rows around the strip are see-through.
    for (const POINT& pt : { POINT{ 400, 250 }, POINT{ 3, 27 }, POINT{ 796, 472 }, POINT{ 300, 0 }, POINT{ 300, 22 } })
        EXPECT_TRUE(PixelIs(shot, SX(pt.x), SY(pt.y), RootColor())) << "client " << pt.x << ", " << pt.y;
    // Strip interior, away from texts and buttons; it covers columns 1 to 797 and rows 1 to 21.
    for (const POINT& pt : { POINT{ 230, 3 }, POINT{ 700, 12 }, POINT{ 600, 21 }, POINT{ 797, 12 }, POINT{ 1, 12 } })
        EXPECT_TRUE(PixelIs(shot, SX(pt.x), SY(pt.y), STRIP_COLOR)) << "client " << pt.x << ", " << pt.y;
    EXPECT_TRUE(PixelIs(shot, SX(798), SY(12), RootColor()));
    EXPECT_TRUE(BandIs(shot, FRAME_CX, FRAME_CY, true));

    // Texts: the title right of the logo and the close label.
    int nTitle = 0, nClose = 0;
    for (int y = 6; y < 20; ++y) {
        for (int x = 20; x < 100; ++x)
            nTitle += IsTextPixel(shot.At(SX(x), SY(y)));
        for (int x = 758; x < 796; ++x)
            nClose += IsTextPixel(shot.At(SX(x), SY(y)));
    }
    EXPECT_GT(nTitle, 20) << "text pixels of the title";
    EXPECT_GT(nClose, 10) << "text pixels of the close label";
}

TEST_F(FrameWindow, OutlineSwitchHidesAndShowsTheBand)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitStable(WAIT_MS, StripPainted));

    ClickFrameButton(CMD_SHOW_FRAME);
    EXPECT_TRUE(WaitStable(WAIT_MS, []() { return CScreenShot().At(SX(300), SY(24)) == RootColor(); }));
    {
        CScreenShot shot;
        EXPECT_TRUE(BandIs(shot, FRAME_CX, FRAME_CY, false));
        EXPECT_TRUE(PixelIs(shot, SX(700), SY(12), STRIP_COLOR)) << "the strip stays";
    }

    ClickFrameButton(CMD_SHOW_FRAME);
    EXPECT_TRUE(WaitStable(WAIT_MS, []() { return CScreenShot().At(SX(300), SY(24)) == OUTLINE_COLOR; }));
    EXPECT_TRUE(BandIs(CScreenShot(), FRAME_CX, FRAME_CY, true));
}

TEST_F(FrameWindow, CaptureSwitchShortensItsLabel)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitStable(WAIT_MS, StripPainted));
    const int nOff = CaptureLabelRightEdge(CScreenShot());
    LogStep("capture label ends at x %d while off", nOff);
    ASSERT_GT(nOff, 358) << "no label right of the capture switch";

    ClickFrameButton(CMD_CAPTURE);
    int nOn = -1;
    // "屏幕捕捉" without "[关闭]": four characters less, about 30 pixels at 9 points.
    EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return (nOn = CaptureLabelRightEdge(CScreenShot())) < nOff - 20; }))
        << "label ends at " << nOn << " with capture on, " << nOff << " with it off";
    EXPECT_GT(nOn, 358) << "the label is still there";

    ClickFrameButton(CMD_CAPTURE);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return CaptureLabelRightEdge(CScreenShot()) == nOff; }));
}

TEST_F(FrameWindow, LargeSizeKeepsTheStripAt800AndMovesTheBand)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitStable(WAIT_MS, StripPainted));

    ClickFrameButton(CMD_ENLARGE);
    ASSERT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(FRAME_X, FRAME_Y, 1024, 602); }))
        << "frame at " << DescribeFrameRect();
    ASSERT_TRUE(WaitStable(WAIT_MS, []() { return CScreenShot().At(SX(1023), SY(300)) == OUTLINE_COLOR; }));
    CScreenShot shot;

    int nOpaque = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 800; x < 1024; ++x)
            nOpaque += shot.At(SX(x), SY(y)) != RootColor();
    EXPECT_EQ(0, nOpaque) << "pixels of the caption row right of x 800 that are not see-through";
    EXPECT_TRUE(PixelIs(shot, SX(797), SY(12), STRIP_COLOR));
    EXPECT_TRUE(BandIs(shot, 1024, 602, true));
    EXPECT_TRUE(PixelIs(shot, SX(600), SY(400), RootColor()));
}
