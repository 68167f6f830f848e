// The capture settings store and CScreenShareHintWnd in this process, where the drivers cannot
// look: the types stored, the values construction writes, what CreateFrame makes (and
// does not make without a window), which timer publishes, command 100, which has no button, and
// the frame on a USER32 without SetLayeredWindowAttributes (as on systems before Windows 2000).
#include <gtest/gtest.h>

#include "tests/common/frame_fixture.h"   // the filter's values and the windows, read as the drivers read them
#include "tests/unit/button_parent.h"          // message loop turns like the program's
#include "capture/capture_frame.h"
#include "capture/capture_settings_store.h"

namespace
{
const COLORREF KEY = RGB(0, 255, 0);   // the frame's colour key, opaque here

class CTestFrame : public CScreenShareHintWnd
{
public:
    using CScreenShareHintWnd::m_btnCapture, CScreenShareHintWnd::m_btnClose, CScreenShareHintWnd::m_btnEnlarge,
        CScreenShareHintWnd::m_btnLogo, CScreenShareHintWnd::m_btnShowFrame, CScreenShareHintWnd::m_btnShrink,
        CScreenShareHintWnd::m_nTimerID;
    bool m_bRefuseWindow = false;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        return m_bRefuseWindow ? FALSE : CScreenShareHintWnd::PreCreateWindow(cs);
    }
};

// Hides one exported name of a loaded module by changing its last letter in place (so the table
// stays sorted for the loader's binary search); the letter is put back on destruction.
class CHiddenExport
{
public:
    CHiddenExport(const char* pszModule, const char* pszName)
    {
        BYTE* pBase = (BYTE*)::GetModuleHandleA(pszModule);
        const IMAGE_NT_HEADERS* pNt = (const IMAGE_NT_HEADERS*)(pBase + ((IMAGE_DOS_HEADER*)pBase)->e_lfanew);
        const IMAGE_EXPORT_DIRECTORY* pExports = (const IMAGE_EXPORT_DIRECTORY*)(
            pBase + pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
        const DWORD* pNames = (const DWORD*)(pBase + pExports->AddressOfNames);
        for (DWORD i = 0; i < pExports->NumberOfNames && m_pch == NULL; ++i)
            if (strcmp((char*)(pBase + pNames[i]), pszName) == 0)
                m_pch = (char*)(pBase + pNames[i]) + strlen(pszName) - 1;
        if (m_pch != NULL && !::VirtualProtect(m_pch, 1, PAGE_READWRITE, &m_dwProtect))
            m_pch = NULL;
        if (m_pch != NULL)
            ++*m_pch;
    }
    ~CHiddenExport()
    {
        if (m_pch != NULL)
            --*m_pch, ::VirtualProtect(m_pch, 1, m_dwProtect, &m_dwProtect);
    }
    CHiddenExport(const CHiddenExport&) = delete;
    CHiddenExport& operator=(const CHiddenExport&) = delete;

private:
    char* m_pch = NULL;   // the name's last letter
    DWORD m_dwProtect = 0;
};

// The screen pixel at (x, y) of the frame's client area, once the frame has painted.
Check ScreenShows(int x, int y, COLORREF crWant)
{
    return Eventually(2000, [&]() -> Check {
        zelvix_test::PumpMessages();
        const COLORREF cr = CScreenShot().At(FRAME_X + x, FRAME_Y + y);
        if (cr == crWant)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "client pixel (" << x << ", " << y << ") is " << Hex(cr) << ", expected " << Hex(crWant);
    });
}
} // namespace

// The drivers see the values and their order; here the key is created anew and the path of a
// double-byte directory is cut where the platform's lead-byte test says.
TEST(CaptureSettingsStore, CreatesTheKeyAndStoresDwordsAsTheirBitPattern)
{
    ::RegDeleteKeyA(HKEY_CURRENT_USER, zelvix::kFilterKeyPath);
    EXPECT_EQ(ERROR_SUCCESS, WriteCaptureDword("start_x", -48));
    EXPECT_EQ(0xFFFFFFD0u, CaptureDword("start_x"));   // a REG_DWORD, or SENTINEL
    // Under code page 936 0x5C can be a trail byte: only a real backslash ends a directory.
    EXPECT_STREQ("C:\\\x81\x5C\\1.bmp", ImageFileNameFromModulePath("C:\\\x81\x5C\\app.exe"));
}

TEST(CaptureFrame, ConstructionWritesTheDefaultSetAndWithoutItsWindowNothingElseIsMade)
{
    const struct { const char* pszName; DWORD dwValue; } defaults[] = {
        { "stretch_to_width", 800 }, { "stretch_to_height", 450 }, { "stretch_mode_high_quality_if_1", 1 },
        { "track_new_x_y_coords_each_frame_if_1", 1 }, { "start_x", 0 }, { "start_y", 0 }, { "capture_width", 800 },
        { "capture_height", 450 }, { "default_max_fps", 15 }, { "show_img", 1 }, { "param_set", 1 },
    };
    for (const auto& d : defaults)
        SetCaptureDword(d.pszName, SENTINEL);
    CTestFrame frame;
    for (const auto& d : defaults)
        EXPECT_EQ(d.dwValue, CaptureDword(d.pszName)) << d.pszName;
    EXPECT_TRUE(frame.m_hWnd == NULL) << "construction made a window";

    frame.m_bRefuseWindow = true;
    EXPECT_FALSE(frame.CreateFrame());
    for (CImageButton* pBtn : { &frame.m_btnLogo, &frame.m_btnShowFrame, &frame.m_btnClose, &frame.m_btnShrink,
                                &frame.m_btnEnlarge, &frame.m_btnCapture })
        EXPECT_TRUE(pBtn->m_hWnd == NULL) << "a button without its frame";
    EXPECT_EQ(0u, frame.m_nTimerID) << "a timer without a window";
    SeedTickSentinels();
    frame.PublishRegion();
    EXPECT_EQ(SENTINEL, CaptureDword("start_x")) << "a position published without a window";
}

TEST(CaptureFrame, ButtonsSitInTheStripOnlyThePublishTimerPublishesAndCommand100TogglesFullScreen)
{
    CTestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    EXPECT_EQ((UINT_PTR)zelvix::kFramePublishTimerId, frame.m_nTimerID);
    const struct { int nID, nLeft; } buttons[] = { { 0, 2 }, { 101, 240 }, { 103, 340 }, { 111, 480 }, { 110, 540 }, { 102, 740 } };
    for (const auto& b : buttons) {
        HWND hButton = ::GetDlgItem(frame.m_hWnd, b.nID);
        RECT rc = {};
        ::GetWindowRect(hButton, &rc);
        ::MapWindowPoints(NULL, frame.m_hWnd, (POINT*)&rc, 2);
        const RECT want = { b.nLeft, 2, b.nLeft + 18, 20 };
        EXPECT_TRUE(::IsWindowVisible(hButton) && ::EqualRect(&rc, &want))
            << "button " << b.nID << " at " << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom;
    }
    SeedTickSentinels();
    frame.SendMessage(WM_TIMER, zelvix::kFramePublishTimerId + 1);
    EXPECT_EQ(SENTINEL, CaptureDword("param_set")) << "another timer published";
    frame.SendMessage(WM_TIMER, zelvix::kFramePublishTimerId);
    EXPECT_EQ("start_x=42 start_y=66 capture_width=796 capture_height=450 show_img=1 param_set=1 ", DescribePublished());

    frame.SendMessage(WM_COMMAND, IDC_FRAME_FULLSCREEN);
    EXPECT_TRUE(WindowIs(frame.m_hWnd, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)));
    frame.SendMessage(WM_COMMAND, IDC_FRAME_FULLSCREEN);
    EXPECT_TRUE(WindowIs(frame.m_hWnd, 40, 40, 800, 476));
}

// The missing export is made by hiding its name in this process's USER32 export table, so the
// frame's own run-time lookup fails exactly as it would there: it stays opaque, and everything else works.
TEST(FrameWithoutLayeredWindows, StaysOpaqueAndEverythingElseWorks)
{
    HMODULE hUser32 = ::GetModuleHandleA("USER32.DLL");
    CHiddenExport hidden("USER32.DLL", "SetLayeredWindowAttributes");
    ASSERT_TRUE(::GetProcAddress(hUser32, "SetLayeredWindowAttributes") == NULL) << "the export could not be hidden";
    ASSERT_TRUE(::GetProcAddress(hUser32, "SetWindowPos") != NULL) << "hiding it broke the other lookups";

    CScreenShareHintWnd* pFrame = new CScreenShareHintWnd;   // as the host dialog makes it
    ASSERT_TRUE(pFrame->CreateFrame());
    pFrame->ShowWindow(SW_SHOW);
    HWND hFrame = pFrame->m_hWnd;
    EXPECT_EQ(0, ::GetWindowLongA(hFrame, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(ScreenShows(400, 250, KEY)) << "the inside shows the key colour, not the desktop";
    EXPECT_TRUE(ScreenShows(230, 4, STRIP));
    EXPECT_TRUE(ScreenShows(1, 300, RED));

    for (int nID : { IDC_FRAME_SHOW_FRAME, IDC_FRAME_CAPTURE, IDC_FRAME_ENLARGE })
        pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), 0);
    EXPECT_TRUE(ScreenShows(1, 300, KEY)) << "the outline did not go";
    SeedTickSentinels();
    pFrame->SendMessage(WM_TIMER, zelvix::kFramePublishTimerId, 0);
    EXPECT_EQ("start_x=42 start_y=66 capture_width=1020 capture_height=576 show_img=0 param_set=1 ", DescribePublished());

    delete pFrame;
    EXPECT_FALSE(::IsWindow(hFrame));
}
