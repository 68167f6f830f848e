// frame_fixture.h - the GoogleTest side of the end-to-end drivers (observe.h does without it).
//   Eventually   a check polled until it holds on two reads in a row
//   WindowIs     a window's place and size
//   PictureIs    the frame's picture on the screen: strip, title, outline, see-through inside
//   SetIs        a set of writes in the +reg trace: names, types, sizes, one key open each
//   CFrameTest   starts zelvix.exe (optionally traced), finds its frame and dialogs, clicks its buttons,
//                checks the next tick and the last writes; keeps the screen of a failed test
#ifndef ZELVIX_E2E_FRAME_FIXTURE_H
#define ZELVIX_E2E_FRAME_FIXTURE_H

#include <gtest/gtest.h>

#include "capture/frame_geometry.h"
#include "tests/common/observe.h"

#include <algorithm>

using Check = ::testing::AssertionResult;

// What the user sees of the program: its title, the frame's place, size and colours, its buttons' ids.
const char APP_TITLE[] = "ZELVIX直播伴侣";
const int FRAME_X = 40, FRAME_Y = 40, FRAME_CX = 800, FRAME_CY = 476;
const COLORREF STRIP = zelvix::kFrameStripColor, RED = zelvix::kFrameOutlineColor;
const int CMD_SHOW_FRAME = 101, CMD_CLOSE = 102, CMD_CAPTURE = 103, CMD_SHRINK = 110, CMD_ENLARGE = 111;
const DWORD WAIT_MS = 15000;       // for anything the program does by itself
const DWORD TICK_WAIT_MS = 5000;   // a tick comes once a second

inline std::string Hex(unsigned long ul)   // for failure messages (colours are 0xBBGGRR): they take no manipulators
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%06lX", ul);
    return sz;
}

inline Check Eventually(DWORD dwTimeoutMs, const std::function<Check()>& check)
{
    Check last = ::testing::AssertionSuccess();
    if (WaitStable(dwTimeoutMs, [&] { return bool(last = check()); }))
        return last;
    return ::testing::AssertionFailure() << (last ? "held on one read only" : last.message()) << " (waited "
                                         << dwTimeoutMs << " ms)";
}

// The frame's picture, client (0, 0) at screen (x0, y0): the desktop shows through everywhere but
// on the strip (columns 1-797 of rows 1-21 at every width; checked where no text, button or rounded
// corner lies), where the title has text pixels, and on the outline, a 2-pixel band around the area
// from row 24 down.
inline Check PictureIs(int x0, int y0, int cx, int cy, bool bOutline)
{
    const CScreenShot shot;
    const COLORREF crRoot = RootColor();
    int nTitle = 0;
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            const COLORREF cr = shot.At(x0 + x, y0 + y);
            const bool bStrip = x >= 1 && x <= 797 && y >= 1 && y <= 21;
            const bool bPlain = y == 1 || y == 21 ? x >= 3 && x <= 795
                                                  : (x == 1 || x == 797 || (x >= 620 && x < 740)) && y > 2 && y < 20;
            if (bStrip && !bPlain) {
                nTitle += x >= 20 && x < 100 && y >= 6 && y < 20 && cr != STRIP;
                continue;
            }
            const bool bBand = y >= 24 && (x < 2 || x >= cx - 2 || y < 26 || y >= cy - 2);
            const COLORREF crWant = bStrip ? STRIP : bBand && bOutline ? RED : crRoot;
            if (cr != crWant)
                return ::testing::AssertionFailure() << "client pixel (" << x << ", " << y << ") is " << Hex(cr)
                                                     << ", expected " << Hex(crWant) << " (" << cx << " x " << cy
                                                     << ", outline " << (bOutline ? "on)" : "off)");
        }
    }
    if (nTitle < 20)
        return ::testing::AssertionFailure() << "only " << nTitle << " text pixels in the title";
    return ::testing::AssertionSuccess();
}

inline Check WindowIs(HWND hWnd, int x, int y, int cx, int cy)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    if (rc.left == x && rc.top == y && rc.right - rc.left == cx && rc.bottom - rc.top == cy)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window at (" << rc.left << ", " << rc.top << ") " << rc.right - rc.left
                                         << " x " << rc.bottom - rc.top << ", expected (" << x << ", " << y << ") "
                                         << cx << " x " << cy;
}

// The program's sets of writes to the filter's key.
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
inline Check SetIs(const std::vector<CaptureWrite>& writes, size_t nFirst, const std::vector<std::string>& names)
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

class CFrameTest : public ::testing::Test
{
protected:
    CZelvixProcess m_process;
    HWND m_hFrame = NULL;

    // Starts the program (or a copy of it) and waits for its frame (a fatal failure when either
    // does not happen).
    void StartProgram(bool bTraceRegistry = false, const std::string& strExe = ZelvixExePath())
    {
        LogStep("start %s%s", strExe.c_str(), bTraceRegistry ? " with the +reg trace" : "");
        ASSERT_TRUE(m_process.Start(bTraceRegistry, false, strExe)) << "not started (run the driver through ctest)";
        const DWORD dwPid = m_process.GetProcessId();
        ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return (m_hFrame = FindCaptureFrame(dwPid)) != NULL; }))
            << "no visible tool window of the program";
    }

    // A dialog of the program as FindDialogByTitle finds it on two reads in a row; NULL after WAIT_MS.
    HWND WaitForDialog(const char* pszTitle, const char* pszText = NULL) const
    {
        HWND hDlg = NULL;
        const DWORD dwPid = m_process.GetProcessId();
        return WaitStable(WAIT_MS, [&] { return (hDlg = FindDialogByTitle(dwPid, pszTitle, pszText)) != NULL; }) ? hDlg : NULL;
    }

    // Posted as a click is, so that a message box the command opens does not block the driver.
    // The frame shows before its buttons are made, so under load a button may come a little later.
    void ClickFrameButton(int nID)
    {
        LogStep("click button %d", nID);
        HWND hButton = NULL;
        ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return (hButton = ::GetDlgItem(m_hFrame, nID)) != NULL; }))
            << "the frame has no button " << nID;
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

    // After the program ended: its last writes to the filter's key were the still-image set, whole
    // as SetIs checks it, and they left "show_img" 1 and "param_set" 1.
    Check EndedOnTheStillImage() const
    {
        const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
        const std::string published = DescribePublished();
        if (published.find("show_img=1 param_set=1 ") == published.npos)
            return ::testing::AssertionFailure() << "the program's end left " << published;
        return SetIs(writes, writes.size() - std::min(writes.size(), CLOSE_WRITES.size()), CLOSE_WRITES);
    }

    void TearDown() override   // the program ends with the fixture; a failed test's screen is kept
    {
        const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string strPath = Env("ZELVIX_ARTIFACT_DIR") + "\\" + pInfo->test_suite_name() + "." + pInfo->name() + ".bmp";
        if (HasFailure())
            LogStep("failed: screen %s %s", CScreenShot().SaveBmp(strPath) ? "saved to" : "not saved to", strPath.c_str());
    }
};

#endif // ZELVIX_E2E_FRAME_FIXTURE_H
