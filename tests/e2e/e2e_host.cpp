// e2e_host.cpp - the host dialog and its About box, WM_CLOSE to the frame alone, and the program's
// writes to the capture filter's key from start to the host dialog's close (Wine's +reg trace).
// The single-instance guard is e2e_faults' (twenty starts at once).
#include "tests/common/frame_fixture.h"

using Host = CFrameTest;

// WM_CLOSE to the frame takes its window and ticks away while the program runs on; closing the
// host dialog then still ends the program on the still image, and a new start succeeds.
TEST_F(Host, IsAZeroSizedAppWindowWithAnAboutBoxAndClosingItEndsOnTheStillImageAfterWholeSetsOfWrites)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    HWND hHost = WaitForDialog(APP_TITLE);
    ASSERT_TRUE(hHost != NULL) << "no visible host dialog titled " << APP_TITLE;
    RECT rc = {};
    ::GetWindowRect(hHost, &rc);
    EXPECT_TRUE(rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0)
        << "host at (" << rc.left << ", " << rc.top << ")-(" << rc.right << ", " << rc.bottom << ")";
    EXPECT_NE(0, ::GetWindowLongA(hHost, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    // Icon 128: solo_soak checks it, as Wine answers WM_GETICON from another process with 0.

    LogStep("system command 0x0013");
    ::PostMessageA(hHost, WM_SYSCOMMAND, 0x0013, 0);
    HWND hAbout = WaitForDialog("关于", "console，1.0 版");
    ASSERT_TRUE(hAbout != NULL) << "no About box showing console，1.0 版";
    EXPECT_EQ("确定", WindowText(::GetDlgItem(hAbout, IDOK)));
    LogStep("Escape");
    ::PostMessageA(hAbout, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !::IsWindow(hAbout); })) << "the About box stays";

    ClickFrameButton(CMD_CAPTURE);   // so that the closing "show_img" 1 replaces a 0
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(NextTick(42, 66, 796, 450, 0)) << "after the About box";
    LogStep("WM_CLOSE to the frame");
    ::PostMessageA(m_hFrame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !::IsWindow(m_hFrame); })) << "the frame window stays";
    SeedTickSentinels();
    const std::string seeded = DescribePublished();
    EXPECT_FALSE(WaitStable(2500, [&] { return DescribePublished() != seeded; })) << "a tick after the frame closed";
    EXPECT_TRUE(m_process.IsRunning());

    LogStep("close the host dialog");
    ::PostMessageA(hHost, WM_CLOSE, 0, 0);
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs";
    EXPECT_TRUE(EndedOnTheStillImage());

    // Construction's set, whole ticks of seven, then the close (EndedOnTheStillImage's).
    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    const size_t nOuter = CONSTRUCTION_WRITES.size() + CLOSE_WRITES.size();
    const size_t nTicks = writes.size() > nOuter ? (writes.size() - nOuter) / 7 : 0;
    LogStep("%u writes to the filter's key", (unsigned)writes.size());
    EXPECT_TRUE(SetIs(writes, 0, CONSTRUCTION_WRITES));
    EXPECT_TRUE(nTicks >= 2 && writes.size() == nOuter + nTicks * 7) << "not 13, whole ticks of 7 and 3";
    for (size_t t = 0; t < nTicks; ++t)
        EXPECT_TRUE(SetIs(writes, CONSTRUCTION_WRITES.size() + t * 7, TICK_WRITES)) << "tick " << t;

    StartProgram();   // again
}
