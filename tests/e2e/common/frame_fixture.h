// frame_fixture.h - the GoogleTest side of the end-to-end drivers (observe.h and
// zelvix_process.h do without it).
//   CFrameTest   starts zelvix.exe (optionally traced), finds its frame and dialogs, clicks its
//                buttons, checks the next tick and the last writes, and saves the screen after a
//                failed test
#ifndef ZELVIX_E2E_FRAME_FIXTURE_H
#define ZELVIX_E2E_FRAME_FIXTURE_H

#include <gtest/gtest.h>

#include "common/observe.h"
#include "common/zelvix_process.h"

using Check = ::testing::AssertionResult;

inline std::string Hex(unsigned long ul)   // for failure messages: they take no stream manipulators
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%lX", ul);
    return sz;
}

// What the user sees of the program: its title, the frame's place and size and its buttons' ids.
const char APP_TITLE[] = "ZELVIX直播伴侣";
const int FRAME_X = 40, FRAME_Y = 40, FRAME_CX = 800, FRAME_CY = 476;
const int CMD_SHOW_FRAME = 101, CMD_CLOSE = 102, CMD_CAPTURE = 103, CMD_SHRINK = 110, CMD_ENLARGE = 111;
const DWORD WAIT_MS = 15000;       // for anything the program does by itself
const DWORD TICK_WAIT_MS = 5000;   // a tick comes once a second

class CFrameTest : public ::testing::Test
{
protected:
    CZelvixProcess m_process;
    HWND m_hFrame = NULL;

    // Starts the program and waits for its frame (a fatal failure when either does not happen).
    void StartProgram(bool bTraceRegistry = false)
    {
        LogStep("start %s%s", ZelvixExePath().c_str(), bTraceRegistry ? " with the +reg trace" : "");
        ASSERT_TRUE(m_process.Start(bTraceRegistry)) << "not started (run the driver through ctest)";
        const DWORD dwPid = m_process.GetProcessId();
        ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return (m_hFrame = FindCaptureFrame(dwPid)) != NULL; }))
            << "no visible tool window of the program";
    }

    // A dialog of process dwPid as FindDialogByTitle finds it on two reads in a row; NULL after WAIT_MS.
    static HWND WaitForDialog(DWORD dwPid, const char* pszTitle, const char* pszText = NULL)
    {
        HWND hDlg = NULL;
        const auto found = [&] { return (hDlg = FindDialogByTitle(dwPid, pszTitle, pszText)) != NULL; };
        return WaitStable(WAIT_MS, found) ? hDlg : NULL;
    }

    // Posted as a click is, so that a message box the command opens does not block the driver.
    void ClickFrameButton(int nID)
    {
        LogStep("click button %d", nID);
        HWND hButton = ::GetDlgItem(m_hFrame, nID);
        ASSERT_TRUE(hButton != NULL) << "the frame has no button " << nID;
        ::PostMessageA(hButton, BM_CLICK, 0, 0);
    }

    // Seeds the tick's values, then waits for a tick to publish this rectangle and image switch,
    // ended by "param_set" 1.
    static Check NextTick(int x, int y, int cx, int cy, DWORD dwShow = 1)
    {
        char szWant[160];
        snprintf(szWant, sizeof(szWant), "start_x=%d start_y=%d capture_width=%d capture_height=%d show_img=%d "
                 "param_set=1 ", x, y, cx, cy, (int)dwShow);
        SeedTickSentinels();
        if (WaitStable(TICK_WAIT_MS, [&] { return DescribePublished() == szWant; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "published " << DescribePublished() << "expected " << szWant;
    }

    // After the program ended: its last writes to the filter's key were the still-image set, and
    // they left "show_img" 1 and "param_set" 1.
    Check EndedOnTheStillImage() const
    {
        const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
        std::string last;
        for (size_t i = writes.size() < 3 ? 0 : writes.size() - 3; i < writes.size(); ++i)
            last += writes[i].strName + " ";
        const std::string published = DescribePublished();
        if (last == "show_img img_filename param_set " && published.find("show_img=1 param_set=1 ") != last.npos)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the last writes were " << last << "leaving " << published;
    }

    void TearDown() override
    {
        if (HasFailure()) {
            const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
            const char* pszDir = getenv("ZELVIX_ARTIFACT_DIR");
            const std::string strPath =
                std::string(pszDir ? pszDir : ".") + "\\" + pInfo->test_suite_name() + "." + pInfo->name() + ".bmp";
            LogStep("failed: screen %s %s", CScreenShot().SaveBmp(strPath) ? "saved to" : "could not be saved to",
                    strPath.c_str());
        }
        m_process.Kill();
    }
};

#endif // ZELVIX_E2E_FRAME_FIXTURE_H
