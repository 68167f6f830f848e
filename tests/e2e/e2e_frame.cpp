// e2e_frame.cpp - the capture frame as the user meets it: the window and its picture right after
// start, the two switches, moving it, the three sizes, and the close button.
#include "tests/common/frame_fixture.h"

namespace
{
const char CLOSE_QUESTION[] = "关闭【ZELVIX直播伴侣】将无法进行视频直播了，您真的要关闭吗？";
} // namespace

using Frame = CFrameTest;

// As started it stays on top without a task-bar entry, and its picture shows the desktop through
// the inside, as its colour key makes it. Moved (by the platform's move loop, which every visible
// part starts, or otherwise), the next tick publishes the new place; the sizes start from there.
TEST_F(Frame, StartsAsOneTopmostSeeThroughToolWindowAndItsSwitchesMovesAndSizesReachTheNextTick)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    for (bool bOutline : { true, false }) {   // as started, then switched off (and on again)
        EXPECT_TRUE(Eventually(WAIT_MS, [=] { return PictureIs(FRAME_X, FRAME_Y, FRAME_CX, FRAME_CY, bOutline); }));
        ClickFrameButton(CMD_SHOW_FRAME);
    }
    const DWORD EX_STYLES = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;
    EXPECT_EQ((DWORD)(WS_EX_TOPMOST | WS_EX_TOOLWINDOW), (DWORD)::GetWindowLongA(m_hFrame, GWL_EXSTYLE) & EX_STYLES);
    int nToolWindows = 0;
    FindProcessWindow(m_process.GetProcessId(), [&](HWND h) { return nToolWindows += IsVisibleToolWindow(h), false; });
    EXPECT_EQ(1, nToolWindows);
    for (DWORD dwShow : { 0, 1 }) {
        ClickFrameButton(CMD_CAPTURE);
        EXPECT_TRUE(NextTick(42, 66, 796, 450, dwShow));
    }

    for (const POINT& pt : { POINT{ -50, 100 }, POINT{ 0, 0 } }) {
        LogStep("move to (%ld, %ld)", pt.x, pt.y);
        ::SetWindowPos(m_hFrame, NULL, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(NextTick(pt.x + 2, pt.y + 26, 796, 450)) << "start_x -48 is stored as 0xFFFFFFD0";
    }
    // Strip, title and outline are captions to drag by.
    for (const POINT& pt : { POINT{ 700, 12 }, POINT{ 30, 12 }, POINT{ 0, 200 }, POINT{ 400, 475 } })
        EXPECT_EQ(HTCAPTION, ::SendMessageA(m_hFrame, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)))
            << "client " << pt.x << ", " << pt.y;
    // Up to the whole screen and down again: the strip stays 800 wide (each step of the sizes is
    // pinned by the size state's native test).
    const struct { int nID, cx, cy; } steps[] = {
        { CMD_ENLARGE, 1024, 602 }, { CMD_ENLARGE, 1920, 1080 }, { CMD_SHRINK, 1024, 602 },
    };
    for (const auto& s : steps) {
        ClickFrameButton(s.nID);
        EXPECT_TRUE(NextTick(2, 26, s.cx - 4, s.cy - 26));
        EXPECT_TRUE(Eventually(TICK_WAIT_MS, [&] { return PictureIs(0, 0, s.cx, s.cy, true); }));
    }
}

TEST_F(Frame, CloseAnsweredNoChangesNothingAndYesEndsOnTheStillImage)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    ClickFrameButton(CMD_CAPTURE);   // so that the closing "show_img" 1 replaces a 0
    for (int nAnswer : { IDNO, IDYES }) {
        ClickFrameButton(CMD_CLOSE);
        HWND hBox = WaitForDialog(APP_TITLE, CLOSE_QUESTION);
        ASSERT_TRUE(hBox != NULL) << "no box asking " << CLOSE_QUESTION;
        EXPECT_TRUE(nAnswer == IDYES || NextTick(42, 66, 796, 450, 0)) << "no tick while the question is open";
        LogStep("answer %s", nAnswer == IDYES ? "Yes" : "No");
        ::PostMessageA(::GetDlgItem(hBox, nAnswer), BM_CLICK, 0, 0);
        if (nAnswer == IDNO) {
            EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !::IsWindow(hBox); })) << "the question stays";
            EXPECT_TRUE(NextTick(42, 66, 796, 450, 0)) << "after No";
            EXPECT_TRUE(::IsWindowVisible(m_hFrame)) << "the frame went";
        }
    }
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs after Yes";
    EXPECT_TRUE(EndedOnTheStillImage());
}
