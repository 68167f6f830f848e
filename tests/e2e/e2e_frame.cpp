// e2e_frame.cpp - the capture frame as the user meets it: the window and its picture right after
// start, the two switches, moving it, the three sizes, and the close button.
#include "common/frame_fixture.h"

namespace
{
const char CLOSE_QUESTION[] = "关闭【ZELVIX直播伴侣】将无法进行视频直播了，您真的要关闭吗？";

// Topmost, without a task-bar entry, see-through where it is pure green.
Check ColourKeyedToolWindow(HWND hWnd)
{
    const DWORD dwExStyle = (DWORD)::GetWindowLongA(hWnd, GWL_EXSTYLE);
    COLORREF crKey = 0;
    DWORD dwFlags = 0;
    if ((dwExStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_APPWINDOW))
            == (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED)
        && ::GetLayeredWindowAttributes(hWnd, &crKey, NULL, &dwFlags) && crKey == RGB(0, 255, 0)
        && (dwFlags & LWA_COLORKEY))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "ex style " << Hex(dwExStyle) << ", colour key " << Hex(crKey) << ", flags "
                                         << dwFlags;
}
} // namespace

using Frame = CFrameTest;

TEST_F(Frame, StartsAsOneTopmostColourKeyedToolWindowShowingTheDesktopAndItsSwitchesWork)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    EXPECT_TRUE(WindowIs(m_hFrame, FRAME_X, FRAME_Y, FRAME_CX, FRAME_CY));
    EXPECT_EQ((DWORD)(WS_POPUP | WS_VISIBLE),
              (DWORD)::GetWindowLongA(m_hFrame, GWL_STYLE) & (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_CHILD));
    EXPECT_TRUE(Eventually(WAIT_MS, [&] { return ColourKeyedToolWindow(m_hFrame); }));   // set after it shows
    int nToolWindows = 0;
    FindProcessWindow(m_process.GetProcessId(), [&](HWND h) { return nToolWindows += IsVisibleToolWindow(h), false; });
    EXPECT_EQ(1, nToolWindows);
    EXPECT_TRUE(NextTick(42, 66, 796, 450, 1));
    EXPECT_EQ(0, _stricmp(StillImagePathFor(ZelvixExePath()).c_str(), CaptureString("img_filename").c_str()));

    for (bool bOutline : { true, false }) {   // as started, then switched off
        EXPECT_TRUE(Eventually(WAIT_MS, [=] { return PictureIs(FRAME_X, FRAME_Y, FRAME_CX, FRAME_CY, bOutline); }));
        ClickFrameButton(CMD_SHOW_FRAME);
    }
    for (DWORD dwShow : { 0, 1 }) {
        ClickFrameButton(CMD_CAPTURE);
        EXPECT_TRUE(NextTick(42, 66, 796, 450, dwShow));
    }
}

// Moved (by the platform's move loop, which every visible part starts, or otherwise), the next
// tick publishes the new place; the size commands start from that place.
TEST_F(Frame, TheNextTickPublishesWhereItWasMovedAndEachSizeKeepsTheStripAt800)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    for (const POINT& pt : { POINT{ -50, 100 }, POINT{ 0, 0 } }) {
        LogStep("move to (%ld, %ld)", pt.x, pt.y);
        ::SetWindowPos(m_hFrame, NULL, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(NextTick(pt.x + 2, pt.y + 26, 796, 450)) << "start_x -48 is stored as 0xFFFFFFD0";
    }
    // Strip, title and outline are captions to drag by.
    for (const POINT& pt : { POINT{ 700, 12 }, POINT{ 30, 12 }, POINT{ 0, 200 }, POINT{ 400, 475 } })
        EXPECT_EQ(HTCAPTION, ::SendMessageA(m_hFrame, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)))
            << "client " << pt.x << ", " << pt.y;
    const struct { int nID, cx, cy; } steps[] = {
        { CMD_ENLARGE, 1024, 602 }, { CMD_ENLARGE, 1920, 1080 }, { CMD_ENLARGE, 1920, 1080 },   // the screen
        { CMD_SHRINK, 1024, 602 }, { CMD_SHRINK, 800, 476 },
    };
    for (const auto& s : steps) {
        ClickFrameButton(s.nID);
        EXPECT_TRUE(NextTick(2, 26, s.cx - 4, s.cy - 26));
        EXPECT_TRUE(WindowIs(m_hFrame, 0, 0, s.cx, s.cy));
        EXPECT_TRUE(Eventually(TICK_WAIT_MS, [&] { return PictureIs(0, 0, s.cx, s.cy, true); }));
    }
}

TEST_F(Frame, CloseAnsweredNoChangesNothingAndYesEndsOnTheStillImage)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    ClickFrameButton(CMD_CAPTURE);   // so that the closing "show_img" 1 replaces a 0
    ASSERT_TRUE(NextTick(42, 66, 796, 450, 0));
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
            EXPECT_TRUE(WindowIs(m_hFrame, FRAME_X, FRAME_Y, FRAME_CX, FRAME_CY) && ::IsWindowVisible(m_hFrame));
        }
    }
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs after Yes";
    EXPECT_TRUE(EndedOnTheStillImage());
}
