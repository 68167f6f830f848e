// e2e_host.cpp - the host dialog, the About box, the single-instance guard, and the program's writes
// to the capture filter's key from start to the host dialog's close (Wine's +reg trace).
#include "common/frame_fixture.h"

#include <algorithm>

namespace
{
const char SECOND_START_TEXT[] = "你已经打开【ZELVIX直播伴侣】了！同一时间只能打开一个！";
const std::vector<std::string> CONSTRUCTION_WRITES = {
    "stretch_to_width", "stretch_to_height", "stretch_mode_high_quality_if_1", "track_new_x_y_coords_each_frame_if_1",
    "param_set", "start_x", "start_y", "capture_width", "capture_height", "default_max_fps", "show_img",
    "img_filename", "param_set",
};
const std::vector<std::string> TICK_WRITES = {
    "start_x", "start_y", "capture_width", "capture_height", "show_img", "img_filename", "param_set",
};
const std::vector<std::string> CLOSE_WRITES = { "show_img", "img_filename", "param_set" };

// The writes from nFirst on are these, each of its type and size, through a key opened for it
// alone with access 0xF023F and closed after it (so that the next open gets the same handle).
Check SetIs(const std::vector<CaptureWrite>& writes, size_t nFirst, const std::vector<std::string>& names)
{
    const int nImageSize = (int)(StillImagePathFor(ZelvixExePath()).size() + 1) * 2;   // UTF-16 in Wine's registry
    const std::string strHandle = nFirst < writes.size() ? writes[nFirst].strHandle : "";
    for (size_t i = 0; i < names.size(); ++i) {
        const CaptureWrite w = nFirst + i < writes.size() ? writes[nFirst + i] : CaptureWrite{ "none", 0, 0, 0, 0, "" };
        const bool bImage = names[i] == "img_filename";
        if (w.strName != names[i] || w.nType != (bImage ? REG_SZ : REG_DWORD) || w.nSize != (bImage ? nImageSize : 4)
            || w.nAccess != 0xF023F || !w.bOwnOpen || w.strHandle != strHandle)
            return ::testing::AssertionFailure()
                   << "write #" << nFirst + i << " is " << w.strName << " (type " << w.nType << ", size " << w.nSize
                   << ", access " << Hex(w.nAccess) << ", handle " << w.strHandle << (w.bOwnOpen ? "" : " reused")
                   << "), expected " << names[i] << " through an open of its own with 0xF023F, handle "
                   << strHandle << " as the set's first (the key was closed)";
    }
    return ::testing::AssertionSuccess();
}
} // namespace

using Host = CFrameTest;

TEST_F(Host, IsAZeroSizedAppWindowOpensTheAboutBoxAndTurnsASecondStartAway)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND hHost = WaitForDialog(m_process.GetProcessId(), APP_TITLE);
    ASSERT_TRUE(hHost != NULL) << "no visible host dialog titled " << APP_TITLE;
    RECT rc = {};
    ::GetWindowRect(hHost, &rc);
    EXPECT_TRUE(rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0)
        << "host at (" << rc.left << ", " << rc.top << ")-(" << rc.right << ", " << rc.bottom << ")";
    EXPECT_NE(0, ::GetWindowLongA(hHost, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    // Icon 128: solo_host_dialog checks it, as Wine answers WM_GETICON from another process with 0.

    LogStep("system command 0x0013");
    ::PostMessageA(hHost, WM_SYSCOMMAND, 0x0013, 0);
    HWND hAbout = WaitForDialog(m_process.GetProcessId(), "关于", "console，1.0 版");
    ASSERT_TRUE(hAbout != NULL) << "no About box showing console，1.0 版";
    EXPECT_EQ("确定", WindowText(::GetDlgItem(hAbout, IDOK)));
    LogStep("Escape");
    ::PostMessageA(hAbout, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !::IsWindow(hAbout); })) << "the About box stays";

    CZelvixProcess second;
    LogStep("second start");
    ASSERT_TRUE(second.Start());
    HWND hNotice = WaitForDialog(second.GetProcessId(), "提示", SECOND_START_TEXT);
    ASSERT_TRUE(hNotice != NULL) << "no 提示 box showing " << SECOND_START_TEXT;
    EXPECT_TRUE(FindCaptureFrame(second.GetProcessId()) == NULL) << "the second start made a frame";
    LogStep("OK");
    ::PostMessageA(::GetDlgItem(hNotice, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(second.WaitForExit(WAIT_MS)) << "the second start did not end";
    EXPECT_TRUE(m_process.IsRunning() && ::IsWindowVisible(m_hFrame));
    EXPECT_TRUE(NextTick(42, 66, 796, 450)) << "the first stopped publishing";
}

TEST_F(Host, ClosingItEndsOnTheStillImageAfterWholeSetsOfWritesAndANewStartSucceeds)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    ClickFrameButton(CMD_CAPTURE);   // so that the closing "show_img" 1 replaces a 0
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(NextTick(42, 66, 796, 450, 0));
    HWND hHost = WaitForDialog(m_process.GetProcessId(), APP_TITLE);
    ASSERT_TRUE(hHost != NULL);
    LogStep("close the host dialog");
    ::PostMessageA(hHost, WM_CLOSE, 0, 0);
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs";
    EXPECT_TRUE(EndedOnTheStillImage());

    // Construction's set, whole ticks of seven, then the close.
    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    const size_t nOuter = CONSTRUCTION_WRITES.size() + CLOSE_WRITES.size();
    const size_t nTicks = writes.size() > nOuter ? (writes.size() - nOuter) / 7 : 0;
    LogStep("%u writes to the filter's key", (unsigned)writes.size());
    EXPECT_TRUE(SetIs(writes, 0, CONSTRUCTION_WRITES));
    EXPECT_TRUE(SetIs(writes, writes.size() - std::min(writes.size(), CLOSE_WRITES.size()), CLOSE_WRITES));
    EXPECT_TRUE(nTicks >= 2 && writes.size() == nOuter + nTicks * 7) << "not 13, whole ticks of 7 and 3";
    for (size_t t = 0; t < nTicks; ++t)
        EXPECT_TRUE(SetIs(writes, CONSTRUCTION_WRITES.size() + t * 7, TICK_WRITES)) << "tick " << t;

    LogStep("start again");
    StartProgram();
}
