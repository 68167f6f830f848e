// frame_fixture.h - a GoogleTest fixture for drivers that start the program and find its frame.
//   CFrameTest   starts zelvix.exe (optionally with the +reg trace), waits for the capture
//                frame, and after a failed test saves the screen into the artifact folder
//   ClickFrameButton, PixelIs, ExpectPixel   small helpers for the frame's buttons and pixels
// Header-only: the shared library of the drivers does not see GoogleTest.
#ifndef ZELVIX_E2E_FRAME_FIXTURE_H
#define ZELVIX_E2E_FRAME_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "common/observe.h"
#include "common/zelvix_process.h"

// The frame's own constants as the user sees them (window place and size, command ids).
const int FRAME_X = 40;
const int FRAME_Y = 40;
const int FRAME_CX = 800;
const int FRAME_CY = 476;
const int CMD_SHOW_FRAME = 101;
const int CMD_CLOSE = 102;
const int CMD_CAPTURE = 103;
const int CMD_SHRINK = 110;
const int CMD_ENLARGE = 111;
const COLORREF STRIP_COLOR = RGB(57, 174, 255);
const COLORREF OUTLINE_COLOR = RGB(255, 0, 0);
const DWORD WAIT_MS = 15000;   // for anything the program does by itself
const DWORD TICK_WAIT_MS = 5000;  // a tick comes once a second

class CFrameTest : public ::testing::Test
{
protected:
    CZelvixProcess m_process;
    HWND m_hFrame = NULL;

    // Starts the program and waits for its frame; fails the test when either does not happen.
    void StartProgram(bool bTraceRegistry = false)
    {
        LogStep("start %s%s", ZelvixExePath().c_str(), bTraceRegistry ? " with the +reg trace" : "");
        ASSERT_TRUE(m_process.Start(bTraceRegistry)) << "the program did not start";
        const DWORD dwPid = m_process.GetProcessId();
        ASSERT_TRUE(WaitStable(WAIT_MS, [&]() { return (m_hFrame = FindCaptureFrame(dwPid)) != NULL; }))
            << "no visible tool window of process " << dwPid << " within " << WAIT_MS << " ms";
        LogStep("frame window %p", (void*)m_hFrame);
    }

    // The frame's rectangle on the screen.
    RECT FrameRect() const
    {
        RECT rc = {};
        ::GetWindowRect(m_hFrame, &rc);
        return rc;
    }

    bool FrameRectIs(int x, int y, int cx, int cy) const
    {
        const RECT rc = FrameRect();
        return rc.left == x && rc.top == y && rc.right - rc.left == cx && rc.bottom - rc.top == cy;
    }

    std::string DescribeFrameRect() const
    {
        const RECT rc = FrameRect();
        char sz[96];
        snprintf(sz, sizeof(sz), "(%ld, %ld) %ld x %ld", (long)rc.left, (long)rc.top, (long)(rc.right - rc.left),
                 (long)(rc.bottom - rc.top));
        return sz;
    }

    // Presses one of the frame's caption-strip buttons the way a click does (posted, so that a
    // message box opened by the command does not block the driver).
    void ClickFrameButton(int nID)
    {
        HWND hButton = ::GetDlgItem(m_hFrame, nID);
        ASSERT_TRUE(hButton != NULL) << "the frame has no button " << nID;
        LogStep("click button %d", nID);
        ::PostMessageA(hButton, BM_CLICK, 0, 0);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
            const std::string strPath = ArtifactPath(std::string(info->test_suite_name()) + "." + info->name() + ".bmp");
            CScreenShot shot;
            LogStep("failed: screen saved to %s (%s); published: %s", strPath.c_str(),
                    shot.SaveBmp(strPath) ? "ok" : "could not write", DescribePublished().c_str());
        }
        m_process.Kill();
    }
};

// Pixel check with the coordinates and both colours in the message.
inline ::testing::AssertionResult PixelIs(const CScreenShot& shot, int x, int y, COLORREF crExpected)
{
    const COLORREF cr = shot.At(x, y);
    if (cr == crExpected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << ColorText(cr) << ", expected "
                                         << ColorText(crExpected);
}

#endif // ZELVIX_E2E_FRAME_FIXTURE_H
