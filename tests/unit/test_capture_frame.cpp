// test_capture_frame.cpp - CScreenShareHintWnd in this process, where the drivers cannot look:
// the values construction writes, what CreateFrame makes (and does not make without a window),
// which timer publishes, and the place the size commands take.
#include <gtest/gtest.h>

#include "../../capture/capture_frame.h"
#include "../../capture/capture_settings_store.h"

namespace
{
const DWORD SENTINEL = 0x5EED5EED;
const char* const DWORD_VALUES[] = {
    "stretch_to_width", "stretch_to_height", "stretch_mode_high_quality_if_1", "track_new_x_y_coords_each_frame_if_1",
    "start_x", "start_y", "capture_width", "capture_height", "default_max_fps", "show_img", "param_set",
};

DWORD Dword(const char* pszName)
{
    HKEY hKey = NULL;
    DWORD dw = SENTINEL, dwType = 0, cb = sizeof(dw);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, KEY_READ | KEY_WOW64_32KEY, &hKey) == ERROR_SUCCESS) {
        if (::RegQueryValueExA(hKey, pszName, NULL, &dwType, (BYTE*)&dw, &cb) != ERROR_SUCCESS || dwType != REG_DWORD)
            dw = SENTINEL;
        ::RegCloseKey(hKey);
    }
    return dw;
}

void SeedSentinels()
{
    for (const char* psz : DWORD_VALUES)
        WriteCaptureDword(psz, (int)SENTINEL);
}

::testing::AssertionResult RectIs(HWND hWnd, int x, int y, int cx, int cy)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    if (rc.left == x && rc.top == y && rc.right - rc.left == cx && rc.bottom - rc.top == cy)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window at (" << rc.left << ", " << rc.top << ") " << rc.right - rc.left
                                         << " x " << rc.bottom - rc.top << ", expected (" << x << ", " << y << ") "
                                         << cx << " x " << cy;
}

class CTestFrame : public CScreenShareHintWnd
{
public:
    using CScreenShareHintWnd::m_btnCapture;
    using CScreenShareHintWnd::m_btnClose;
    using CScreenShareHintWnd::m_btnEnlarge;
    using CScreenShareHintWnd::m_btnLogo;
    using CScreenShareHintWnd::m_btnShowFrame;
    using CScreenShareHintWnd::m_btnShrink;
    using CScreenShareHintWnd::m_nTimerID;

    bool m_bRefuseWindow = false;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        return m_bRefuseWindow ? FALSE : CScreenShareHintWnd::PreCreateWindow(cs);
    }

    void Command(int nID) { SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), 0); }
    void Tick(UINT_PTR nID = FRAME_PUBLISH_TIMER_ID) { SendMessage(WM_TIMER, nID, 0); }
    void Move(int x, int y) { ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); }
};

class CaptureFrame : public ::testing::Test
{
protected:
    void SetUp() override { SeedSentinels(); }
};
} // namespace

TEST_F(CaptureFrame, ConstructionWritesTheDefaultSet)
{
    CTestFrame frame;
    const DWORD defaults[] = { 800, 450, 1, 1, 0, 0, 800, 450, 15, 1, 1 };   // in the order of DWORD_VALUES
    for (size_t i = 0; i < sizeof(defaults) / sizeof(defaults[0]); ++i)
        EXPECT_EQ(defaults[i], Dword(DWORD_VALUES[i])) << DWORD_VALUES[i];
    EXPECT_TRUE(frame.m_hWnd == NULL) << "construction made a window";
}

TEST_F(CaptureFrame, WithoutItsWindowNothingElseIsMadeAndNothingPublished)
{
    CTestFrame frame;
    frame.m_bRefuseWindow = true;
    EXPECT_FALSE(frame.CreateFrame());
    for (CImageButton* pBtn : { &frame.m_btnLogo, &frame.m_btnShowFrame, &frame.m_btnClose, &frame.m_btnShrink,
                                &frame.m_btnEnlarge, &frame.m_btnCapture })
        EXPECT_TRUE(pBtn->m_hWnd == NULL) << "a button without its frame";
    EXPECT_EQ(0u, frame.m_nTimerID) << "a timer without a window";
    SeedSentinels();
    frame.PublishRegion();
    EXPECT_EQ(SENTINEL, Dword("start_x")) << "a position published without a window";
}

TEST_F(CaptureFrame, CreatesItsButtonsInTheStripAndThePublishTimer)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    EXPECT_EQ((UINT_PTR)FRAME_PUBLISH_TIMER_ID, frame.m_nTimerID);
    const struct { CImageButton* pBtn; int nID, nLeft; } buttons[] = {
        { &frame.m_btnLogo, 0, 2 },        { &frame.m_btnShowFrame, 101, 240 }, { &frame.m_btnCapture, 103, 340 },
        { &frame.m_btnEnlarge, 111, 480 }, { &frame.m_btnShrink, 110, 540 },    { &frame.m_btnClose, 102, 740 },
    };
    for (const auto& b : buttons) {
        RECT rc = {};
        ::GetWindowRect(b.pBtn->m_hWnd, &rc);
        ::MapWindowPoints(NULL, frame.m_hWnd, (POINT*)&rc, 2);
        const RECT want = { b.nLeft, 2, b.nLeft + 18, 20 };
        EXPECT_TRUE(::GetParent(b.pBtn->m_hWnd) == frame.m_hWnd && ::GetDlgCtrlID(b.pBtn->m_hWnd) == b.nID
                    && ::IsWindowVisible(b.pBtn->m_hWnd) && ::EqualRect(&rc, &want))
            << "button " << b.nID << " at " << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom;
    }
}

TEST_F(CaptureFrame, OnlyThePublishTimerPublishes)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    SeedSentinels();
    frame.Tick(FRAME_PUBLISH_TIMER_ID + 1);
    EXPECT_EQ(SENTINEL, Dword("param_set")) << "another timer published";
    frame.Tick();
    EXPECT_EQ(1u, Dword("param_set"));
}

TEST_F(CaptureFrame, SizeCommandsTakeThePlaceTheLastTickSampled)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    frame.Move(300, 200);   // dragged, no tick since
    frame.Command(IDC_FRAME_ENLARGE);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 40, 40, 1024, 602)) << "large at the start place";

    frame.Move(500, 100);
    frame.Tick();
    frame.Command(IDC_FRAME_ENLARGE);
    frame.Tick();   // samples full screen at (0, 0)
    frame.Command(IDC_FRAME_SHRINK);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 500, 100, 1024, 602)) << "back where full screen began";
    frame.Command(IDC_FRAME_SHRINK);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 0, 0, 800, 476)) << "normal where the last tick found the frame";

    // Command 100 has no button: full screen and back to the stored size.
    frame.Move(60, 70);
    frame.Tick();
    frame.Command(IDC_FRAME_FULLSCREEN);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)));
    frame.Command(IDC_FRAME_FULLSCREEN);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 60, 70, 800, 476));
}
