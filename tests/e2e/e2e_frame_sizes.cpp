// e2e_frame_sizes.cpp - the frame's three sizes and the rectangles each tick publishes.
#include "common/frame_fixture.h"

namespace
{
class FrameSizes : public CFrameTest
{
protected:
    // Waits for the window to stand at this place and size, then for a tick to publish r.
    void ExpectState(const char* pszWhat, int x, int y, int cx, int cy, int px, int py, int pcx, int pcy)
    {
        SCOPED_TRACE(pszWhat);
        LogStep("expect %s: window (%d, %d) %d x %d, published %d, %d, %d, %d", pszWhat, x, y, cx, cy, px, py, pcx, pcy);
        EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(x, y, cx, cy); }))
            << "frame at " << DescribeFrameRect();
        SeedTickSentinels();
        EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, px, py, pcx, pcy)) << DescribePublished();
    }

    void MoveFrame(int x, int y)
    {
        LogStep("move the frame to (%d, %d)", x, y);
        ::SetWindowPos(m_hFrame, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};
} // namespace

TEST_F(FrameSizes, EnlargeThriceThenShrinkTwice)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const int cxScreen = ::GetSystemMetrics(SM_CXSCREEN), cyScreen = ::GetSystemMetrics(SM_CYSCREEN);
    LogStep("screen %d x %d", cxScreen, cyScreen);
    ExpectState("start", 40, 40, 800, 476, 42, 66, 796, 450);

    ClickFrameButton(CMD_ENLARGE);
    ExpectState("large at the start place", 40, 40, 1024, 602, 42, 66, 1020, 576);

    // The place a tick sampled is where full screen returns to.
    MoveFrame(0, 0);
    ExpectState("large at (0, 0)", 0, 0, 1024, 602, 2, 26, 1020, 576);

    ClickFrameButton(CMD_ENLARGE);
    ExpectState("full screen", 0, 0, cxScreen, cyScreen, 2, 26, cxScreen - 4, cyScreen - 26);

    ClickFrameButton(CMD_ENLARGE);
    ExpectState("still full screen", 0, 0, cxScreen, cyScreen, 2, 26, cxScreen - 4, cyScreen - 26);

    // Dragged while full screen: the size comes from the window itself.
    MoveFrame(100, 0);
    ExpectState("full screen dragged", 100, 0, cxScreen, cyScreen, 102, 26, cxScreen - 4, cyScreen - 26);

    ClickFrameButton(CMD_SHRINK);
    ExpectState("large again at the place before full screen", 0, 0, 1024, 602, 2, 26, 1020, 576);

    MoveFrame(300, 200);
    ExpectState("large moved", 300, 200, 1024, 602, 302, 226, 1020, 576);
    ClickFrameButton(CMD_SHRINK);
    ExpectState("normal at the sampled place", 300, 200, 800, 476, 302, 226, 796, 450);

    ClickFrameButton(CMD_SHRINK);
    ExpectState("normal stays normal", 300, 200, 800, 476, 302, 226, 796, 450);
}

TEST_F(FrameSizes, FullScreenCommandWithoutButtonTogglesBackToTheStoredSize)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const int cxScreen = ::GetSystemMetrics(SM_CXSCREEN), cyScreen = ::GetSystemMetrics(SM_CYSCREEN);
    ExpectState("start", 40, 40, 800, 476, 42, 66, 796, 450);

    LogStep("command 100");
    ::PostMessageA(m_hFrame, WM_COMMAND, MAKEWPARAM(100, 0), 0);
    ExpectState("full screen from normal", 0, 0, cxScreen, cyScreen, 2, 26, cxScreen - 4, cyScreen - 26);
    ::PostMessageA(m_hFrame, WM_COMMAND, MAKEWPARAM(100, 0), 0);
    ExpectState("normal again", 40, 40, 800, 476, 42, 66, 796, 450);
}
