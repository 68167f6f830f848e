// e2e_frame_move.cpp - dragging the frame by its visible parts, and where the next tick puts it.
#include "common/frame_fixture.h"

namespace
{
void SendMouse(DWORD dwFlags)
{
    INPUT in;
    memset(&in, 0, sizeof(in));
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = dwFlags;
    ::SendInput(1, &in, sizeof(in));
}

// A real drag with the pointer: press at (x, y), move by (dx, dy) in steps, release.
void Drag(int x, int y, int dx, int dy)
{
    LogStep("drag from (%d, %d) by (%d, %d)", x, y, dx, dy);
    ::SetCursorPos(x, y);
    ::Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(100);
    const int nSteps = 10;
    for (int i = 1; i <= nSteps; ++i) {
        ::SetCursorPos(x + dx * i / nSteps, y + dy * i / nSteps);
        SendMouse(MOUSEEVENTF_MOVE);  // a zero move: the position was just set
        ::Sleep(30);
    }
    SendMouse(MOUSEEVENTF_LEFTUP);
}

// A window of the driver's own that answers HTCAPTION everywhere, run on a thread of its own: if
// a drag does not move it either, the display cannot carry out drags by synthesised input at all.
LRESULT CALLBACK CaptionEverywhereProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCHITTEST)
        return HTCAPTION;
    return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

DWORD WINAPI ReferenceWindowThread(LPVOID pv)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CaptionEverywhereProc;
    wc.hInstance = ::GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)::GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "ZelvixDragReference";
    ::RegisterClassA(&wc);
    HWND hWnd = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 1200,
                                  600, 200, 100, NULL, NULL, wc.hInstance, NULL);
    *(HWND*)pv = hWnd;
    MSG msg;
    while (::GetMessageA(&msg, NULL, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    ::DestroyWindow(hWnd);
    return 0;
}

bool PlatformCarriesOutDrags()
{
    HWND hRef = NULL;
    DWORD dwThread = 0;
    HANDLE hThread = ::CreateThread(NULL, 0, ReferenceWindowThread, &hRef, 0, &dwThread);
    WaitStable(5000, [&]() { return hRef != NULL && ::IsWindowVisible(hRef); });
    Drag(1300, 650, 40, 20);
    const bool bMoved = WaitStable(3000, [&]() {
        RECT rc = {};
        ::GetWindowRect(hRef, &rc);
        return rc.left == 1240 && rc.top == 620;
    });
    ::PostThreadMessageA(dwThread, WM_QUIT, 0, 0);
    ::WaitForSingleObject(hThread, 5000);
    ::CloseHandle(hThread);
    LogStep("reference window %s by the drag", bMoved ? "moved" : "did not move");
    return bMoved;
}

class FrameMove : public CFrameTest
{
};
} // namespace

TEST_F(FrameMove, HitTestMakesStripAndOutlineACaptionAndLeavesButtonsClickable)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const struct { int x, y; const char* what; } points[] = {
        { 700, 12, "strip" }, { 30, 12, "title text" }, { 0, 200, "left outline" }, { 799, 300, "right outline" },
        { 400, 475, "bottom outline" }, { 400, 24, "top outline" },
    };
    for (const auto& p : points) {
        const LRESULT nHit = ::SendMessageA(m_hFrame, WM_NCHITTEST, 0, MAKELPARAM(FRAME_X + p.x, FRAME_Y + p.y));
        EXPECT_EQ(HTCAPTION, nHit) << p.what << " at client (" << p.x << ", " << p.y << ")";
    }
    // Outside the window the default answer stays.
    EXPECT_EQ(HTNOWHERE, ::SendMessageA(m_hFrame, WM_NCHITTEST, 0, MAKELPARAM(FRAME_X + 900, FRAME_Y + 10)));

    // A button is a window of its own on top of the strip.
    POINT pt = { FRAME_X + 489, FRAME_Y + 11 };
    EXPECT_EQ(::GetDlgItem(m_hFrame, CMD_ENLARGE), ::WindowFromPoint(pt));
}

TEST_F(FrameMove, DraggingByStripAndOutlineMovesTheFrameAndTheNextTickPublishesIt)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();

    if (!PlatformCarriesOutDrags())
        GTEST_SKIP() << "synthesised pointer drags move no window on this display (the hit test is checked above)";

    Drag(FRAME_X + 700, FRAME_Y + 12, 100, 50);
    ASSERT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(140, 90, 800, 476); }))
        << "dragging the strip left the frame at " << DescribeFrameRect();
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 142, 116, 796, 450)) << DescribePublished();

    // By the left outline, below the strip.
    Drag(140 + 1, 90 + 200, -60, 30);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(80, 120, 800, 476); })) << DescribeFrameRect();
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 82, 146, 796, 450)) << DescribePublished();
}

TEST_F(FrameMove, PartlyOffTheLeftEdgeStoresTheNegativePositionAsItsBitPattern)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    LogStep("move the frame to (-50, 100)");
    ::SetWindowPos(m_hFrame, NULL, -50, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(-50, 100, 800, 476); })) << DescribeFrameRect();
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, -48, 126, 796, 450)) << DescribePublished();
    DWORD dwX = 0;
    EXPECT_TRUE(ReadCaptureDword("start_x", &dwX));
    EXPECT_EQ(0xFFFFFFD0u, dwX);
}
