// test_capture_frame.cpp - CScreenShareHintWnd in this process: defaults, creation, the picture
// drawn off-screen, the tick, the size commands and closing.
#include <gtest/gtest.h>


#include "../../capture/capture_frame.h"
#include "../../capture/capture_settings_store.h"
#include "../../res/resource.h"
#include "test_image_button_support.h"

using imgbtn_test::DibSurface;

namespace
{
const DWORD SENTINEL = 0x5EED5EED;
const COLORREF KEY = RGB(0, 255, 0);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF STRIP = RGB(57, 174, 255);

bool ReadDword(const char* pszName, DWORD* pdw)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, KEY_READ | KEY_WOW64_32KEY, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0, cb = 4;
    const LONG l = ::RegQueryValueExA(hKey, pszName, NULL, &dwType, (BYTE*)pdw, &cb);
    ::RegCloseKey(hKey);
    return l == ERROR_SUCCESS && dwType == REG_DWORD;
}

DWORD Dword(const char* pszName)
{
    DWORD dw = SENTINEL;
    return ReadDword(pszName, &dw) ? dw : SENTINEL;
}

std::string String(const char* pszName)
{
    HKEY hKey = NULL;
    char sz[1024] = "";
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, KEY_READ | KEY_WOW64_32KEY, &hKey) == ERROR_SUCCESS) {
        DWORD cb = sizeof(sz) - 1;
        ::RegQueryValueExA(hKey, pszName, NULL, NULL, (BYTE*)sz, &cb);
        ::RegCloseKey(hKey);
    }
    return sz;
}

void SeedSentinels()
{
    for (const char* psz : { "start_x", "start_y", "capture_width", "capture_height", "show_img", "param_set",
                             "stretch_to_width", "stretch_to_height", "stretch_mode_high_quality_if_1",
                             "track_new_x_y_coords_each_frame_if_1", "default_max_fps" })
        WriteCaptureDword(psz, (int)SENTINEL);
    WriteImageFileName("sentinel");
}

// The published rectangle as one comparable value.
std::vector<DWORD> Published()
{
    return { Dword("start_x"), Dword("start_y"), Dword("capture_width"), Dword("capture_height") };
}

RECT WindowRectOf(HWND h)
{
    RECT rc = {};
    ::GetWindowRect(h, &rc);
    return rc;
}

::testing::AssertionResult RectIs(HWND h, int x, int y, int cx, int cy)
{
    const RECT rc = WindowRectOf(h);
    if (rc.left == x && rc.top == y && rc.right - rc.left == cx && rc.bottom - rc.top == cy)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window at (" << rc.left << ", " << rc.top << ") " << rc.right - rc.left
                                         << " x " << rc.bottom - rc.top << ", expected (" << x << ", " << y << ") "
                                         << cx << " x " << cy;
}

class CTestFrame : public CScreenShareHintWnd
{
public:
    using CScreenShareHintWnd::m_bFullScreen;
    using CScreenShareHintWnd::m_bShowFrame;
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

BOOL CALLBACK CountWindow(HWND /*hWnd*/, LPARAM lParam)
{
    ++*(int*)lParam;
    return TRUE;
}

int TopLevelWindowsOfThisThread()
{
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, (LPARAM)&n);
    return n;
}

// Every pixel of the picture at cx x cy: what the outline, strip and key fill must give. Pixels of
// the caption row inside the strip are left out (texts), so are the strip's rounded corners.
::testing::AssertionResult PictureIs(const DibSurface& dib, int cx, int cy, bool bOutline)
{
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            COLORREF crWant;
            if (y < 24) {
                const bool bStripRow = y >= 1 && y <= 21;
                if (bStripRow && x >= 1 && x <= 797)
                    continue;  // strip: checked where no text can be
                crWant = KEY;
            } else {
                const bool bBand = x < 2 || x >= cx - 2 || y < 26 || y >= cy - 2;
                crWant = (bOutline && bBand) ? RED : KEY;
            }
            if (dib.At(x, y) != crWant)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                                                     << dib.At(x, y) << ", expected 0x" << crWant << std::dec << " at "
                                                     << cx << " x " << cy << ", outline " << bOutline;
        }
    }
    // Strip columns free of text and buttons.
    for (int x : { 1, 230, 700, 797 })
        for (int y = 3; y <= 5; ++y)
            if (dib.At(x, y) != STRIP)
                return ::testing::AssertionFailure() << "strip pixel (" << x << ", " << y << ") is 0x" << std::hex
                                                     << dib.At(x, y);
    return ::testing::AssertionSuccess();
}

int TextPixels(const DibSurface& dib, int left, int right)
{
    int n = 0;
    for (int y = 6; y < 20; ++y)
        for (int x = left; x < right; ++x)
            n += dib.At(x, y) != STRIP && dib.At(x, y) != KEY;
    return n;
}

class CaptureFrame : public ::testing::Test
{
protected:
    void SetUp() override { SeedSentinels(); }
};
} // namespace

TEST_F(CaptureFrame, ConstructionWritesTheDefaultSet)
{
    CTestFrame frame;
    EXPECT_EQ(800u, Dword("stretch_to_width"));
    EXPECT_EQ(450u, Dword("stretch_to_height"));
    EXPECT_EQ(1u, Dword("stretch_mode_high_quality_if_1"));
    EXPECT_EQ(1u, Dword("track_new_x_y_coords_each_frame_if_1"));
    EXPECT_EQ((std::vector<DWORD>{ 0, 0, 800, 450 }), Published());
    EXPECT_EQ(15u, Dword("default_max_fps"));
    EXPECT_EQ(1u, Dword("show_img"));
    EXPECT_EQ(std::string(GetImageFileName()), String("img_filename"));
    EXPECT_EQ(1u, Dword("param_set"));
    EXPECT_TRUE(frame.m_hWnd == NULL) << "construction makes no window";
}

TEST_F(CaptureFrame, WithoutItsWindowNothingElseIsMadeAndEveryCallIsHarmless)
{
    const int nBefore = TopLevelWindowsOfThisThread();
    CTestFrame* pFrame = new CTestFrame;
    pFrame->m_bRefuseWindow = true;
    EXPECT_FALSE(pFrame->CreateFrame());
    EXPECT_TRUE(pFrame->m_hWnd == NULL);
    for (CImageButton* pBtn : { &pFrame->m_btnLogo, &pFrame->m_btnShowFrame, &pFrame->m_btnClose,
                                &pFrame->m_btnShrink, &pFrame->m_btnEnlarge, &pFrame->m_btnCapture })
        EXPECT_TRUE(pBtn->m_hWnd == NULL) << "a button without its frame";
    EXPECT_EQ(0u, pFrame->m_nTimerID) << "a timer without a window";
    EXPECT_EQ(nBefore, TopLevelWindowsOfThisThread());

    // What the host dialog does next, and a publication: nothing, and nothing written.
    SeedSentinels();
    EXPECT_FALSE(pFrame->ShowWindow(SW_SHOW));
    pFrame->PublishRegion();
    EXPECT_EQ(SENTINEL, Dword("start_x")) << "published a position without a window";
    delete pFrame;
}

TEST_F(CaptureFrame, CreatesItsWindowWithTheButtonsInPlace)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    EXPECT_TRUE(RectIs(frame.m_hWnd, 40, 40, 800, 476));
    EXPECT_EQ((UINT_PTR)FRAME_PUBLISH_TIMER_ID, frame.m_nTimerID);

    const struct { CImageButton* pBtn; int nID; RECT rc; } buttons[] = {
        { &frame.m_btnLogo, 0, { 2, 2, 20, 20 } },
        { &frame.m_btnShowFrame, 101, { 240, 2, 258, 20 } },
        { &frame.m_btnCapture, 103, { 340, 2, 358, 20 } },
        { &frame.m_btnEnlarge, 111, { 480, 2, 498, 20 } },
        { &frame.m_btnShrink, 110, { 540, 2, 558, 20 } },
        { &frame.m_btnClose, 102, { 740, 2, 758, 20 } },
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.nID);
        ASSERT_TRUE(b.pBtn->m_hWnd != NULL);
        EXPECT_EQ(frame.m_hWnd, ::GetParent(b.pBtn->m_hWnd));
        EXPECT_EQ(b.nID, ::GetDlgCtrlID(b.pBtn->m_hWnd));
        EXPECT_TRUE(::IsWindowVisible(b.pBtn->m_hWnd));
        RECT rc = WindowRectOf(b.pBtn->m_hWnd);
        ::MapWindowPoints(NULL, frame.m_hWnd, (POINT*)&rc, 2);
        EXPECT_TRUE(::EqualRect(&rc, &b.rc)) << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom;
    }
    // Only the logo copies the frame's pixels.
    DibSurface dib(800, 476);
    CDC* pDC = CDC::FromHandle(dib.hdc());
    EXPECT_EQ(IMGBTN_OK, frame.m_btnLogo.CopyParentBackground(pDC));
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, frame.m_btnClose.CopyParentBackground(pDC));
}

TEST_F(CaptureFrame, PictureAtEachSizeWithTheOutlineOnAndOff)
{
    CTestFrame frame;
    const struct { int cx, cy; } sizes[] = { { 800, 476 }, { 1024, 602 }, { 1920, 1080 } };
    for (const auto& s : sizes) {
        for (bool bOutline : { true, false }) {
            frame.m_bShowFrame = bOutline;
            DibSurface dib(s.cx, s.cy);
            frame.DrawFrame(CDC::FromHandle(dib.hdc()), CRect(0, 0, s.cx, s.cy));
            EXPECT_TRUE(PictureIs(dib, s.cx, s.cy, bOutline));
            EXPECT_GT(TextPixels(dib, 20, 100), 20) << "title";
            EXPECT_GT(TextPixels(dib, 110, 230), 20) << "version";
            for (int x : { 258, 498, 558, 758 })
                EXPECT_GT(TextPixels(dib, x, x + 20), 5) << "label at " << x;
        }
    }
}

TEST_F(CaptureFrame, ResourceStringsLoadAndAMissingOneIsEmpty)
{
    EXPECT_EQ(CString("ZELVIX直播伴侣"), CScreenShareHintWnd::LoadResString(IDS_APP_TITLE));
    EXPECT_EQ(CString("屏幕捕捉"), CScreenShareHintWnd::LoadResString(IDS_SCREEN_CAPTURE));
    EXPECT_TRUE(CScreenShareHintWnd::LoadResString(9999).IsEmpty());
}

TEST_F(CaptureFrame, OnlyThePublishTimerPublishesAndEachTickWritesAWholeSet)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    SeedSentinels();
    frame.Tick(1234);
    EXPECT_EQ(SENTINEL, Dword("start_x")) << "another timer published";
    EXPECT_EQ(SENTINEL, Dword("param_set"));

    frame.Move(100, 50);
    frame.Tick();
    EXPECT_EQ((std::vector<DWORD>{ 102, 76, 796, 450 }), Published());
    EXPECT_EQ(1u, Dword("show_img"));
    EXPECT_EQ(std::string(GetImageFileName()), String("img_filename"));
    EXPECT_EQ(1u, Dword("param_set"));

    frame.Command(IDC_FRAME_CAPTURE);
    EXPECT_EQ(1u, Dword("show_img")) << "the switch itself writes nothing";
    frame.Tick();
    EXPECT_EQ(0u, Dword("show_img"));
    frame.Command(IDC_FRAME_CAPTURE);
    frame.Tick();
    EXPECT_EQ(1u, Dword("show_img"));

    frame.Move(-50, -10);
    frame.Tick();
    EXPECT_EQ((std::vector<DWORD>{ 0xFFFFFFD0u, 16, 796, 450 }), Published());
}

TEST_F(CaptureFrame, SizeCommandsUseThePositionOfTheLastTick)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    const int cxScreen = ::GetSystemMetrics(SM_CXSCREEN), cyScreen = ::GetSystemMetrics(SM_CYSCREEN);

    frame.Move(300, 200);  // dragged, no tick since
    frame.Command(IDC_FRAME_ENLARGE);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 40, 40, 1024, 602)) << "large at the sampled start place";

    frame.Move(500, 100);
    frame.Tick();
    frame.Move(10, 10);
    frame.Command(IDC_FRAME_SHRINK);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 500, 100, 800, 476));
    frame.Command(IDC_FRAME_SHRINK);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 500, 100, 800, 476)) << "normal cannot shrink";

    frame.Command(IDC_FRAME_ENLARGE);
    frame.Command(IDC_FRAME_ENLARGE);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 0, 0, cxScreen, cyScreen));
    EXPECT_TRUE(frame.m_bFullScreen);
    frame.Command(IDC_FRAME_ENLARGE);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 0, 0, cxScreen, cyScreen)) << "nothing beyond full screen";
    frame.Tick();
    EXPECT_EQ((std::vector<DWORD>{ 2, 26, (DWORD)cxScreen - 4, (DWORD)cyScreen - 26 }), Published());

    frame.Command(IDC_FRAME_SHRINK);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 500, 100, 1024, 602)) << "back where full screen began";
    // The last tick sampled (0, 0) while full screen.
    frame.Command(IDC_FRAME_SHRINK);
    EXPECT_TRUE(RectIs(frame.m_hWnd, 0, 0, 800, 476));
}

TEST_F(CaptureFrame, ClosingTheWindowStopsTheTicksAndDestructionIsSafeAfterwards)
{
    CTestFrame* pFrame = new CTestFrame;
    ASSERT_TRUE(pFrame->CreateFrame());
    HWND hFrame = pFrame->m_hWnd, hClose = pFrame->m_btnClose.m_hWnd;
    pFrame->SendMessage(WM_CLOSE);
    EXPECT_FALSE(::IsWindow(hFrame));
    EXPECT_FALSE(::IsWindow(hClose));
    EXPECT_TRUE(pFrame->m_hWnd == NULL);
    // The timer went with the window: a second's messages bring no WM_TIMER for it.
    MSG msg;
    const DWORD dwStart = ::GetTickCount();
    bool bTimer = false;
    while (::GetTickCount() - dwStart < 1300) {
        if (::PeekMessageA(&msg, NULL, WM_TIMER, WM_TIMER, PM_REMOVE))
            bTimer = bTimer || msg.wParam == FRAME_PUBLISH_TIMER_ID;
        ::Sleep(20);
    }
    EXPECT_FALSE(bTimer);
    delete pFrame;

    CTestFrame* pOther = new CTestFrame;
    ASSERT_TRUE(pOther->CreateFrame());
    hFrame = pOther->m_hWnd;
    HWND hLogo = pOther->m_btnLogo.m_hWnd;
    delete pOther;
    EXPECT_FALSE(::IsWindow(hFrame));
    EXPECT_FALSE(::IsWindow(hLogo));
}
