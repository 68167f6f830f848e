// solo_no_layered.cpp - the capture frame on a USER32 without SetLayeredWindowAttributes (as on
// systems before Windows 2000): it stays opaque, and everything else works. The missing export is
// made by hiding its name in this process's USER32 export table, so the frame's own run-time
// lookup fails exactly as it would there; hence a process of its own.
#include <gtest/gtest.h>

#include <cstdio>

#include "../../capture/capture_frame.h"
#include "../../capture/capture_settings_store.h"

namespace
{
const COLORREF KEY = RGB(0, 255, 0);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF STRIP = RGB(57, 174, 255);

// Renames one exported name of a loaded module in place (last letter changed, so the table stays
// sorted for the loader's binary search) and puts it back on destruction.
class CHiddenExport
{
public:
    CHiddenExport(const char* pszModule, const char* pszName) : m_pszName(NULL), m_chSaved(0)
    {
        BYTE* pBase = (BYTE*)::GetModuleHandleA(pszModule);
        if (pBase == NULL)
            return;
        const IMAGE_NT_HEADERS* pNt = (const IMAGE_NT_HEADERS*)(pBase + ((IMAGE_DOS_HEADER*)pBase)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        if (dir.VirtualAddress == 0)
            return;
        const IMAGE_EXPORT_DIRECTORY* pExports = (const IMAGE_EXPORT_DIRECTORY*)(pBase + dir.VirtualAddress);
        const DWORD* pNames = (const DWORD*)(pBase + pExports->AddressOfNames);
        for (DWORD i = 0; i < pExports->NumberOfNames; ++i) {
            char* psz = (char*)(pBase + pNames[i]);
            if (strcmp(psz, pszName) == 0) {
                m_pszName = psz + strlen(psz) - 1;
                break;
            }
        }
        if (m_pszName != NULL) {
            m_chSaved = *m_pszName;
            Poke((char)(m_chSaved + 1));
        }
    }
    ~CHiddenExport()
    {
        if (m_pszName != NULL)
            Poke(m_chSaved);
    }
    CHiddenExport(const CHiddenExport&) = delete;
    CHiddenExport& operator=(const CHiddenExport&) = delete;

private:
    void Poke(char ch)
    {
        DWORD dwOld = 0;
        if (::VirtualProtect(m_pszName, 1, PAGE_READWRITE, &dwOld)) {
            *m_pszName = ch;
            ::VirtualProtect(m_pszName, 1, dwOld, &dwOld);
        }
    }

    char* m_pszName;
    char m_chSaved;
};

DWORD Dword(const char* pszName)
{
    HKEY hKey = NULL;
    DWORD dw = 0xDEADBEEF, cb = 4;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, KEY_READ | KEY_WOW64_32KEY, &hKey) == ERROR_SUCCESS) {
        ::RegQueryValueExA(hKey, pszName, NULL, NULL, (BYTE*)&dw, &cb);
        ::RegCloseKey(hKey);
    }
    return dw;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC hdc = ::GetDC(NULL);
    const COLORREF cr = ::GetPixel(hdc, x, y);
    ::ReleaseDC(NULL, hdc);
    return cr;
}

// Lets the frame paint, then reads the screen; waits up to two seconds for the colour.
::testing::AssertionResult ScreenShows(int x, int y, COLORREF crWant)
{
    COLORREF cr = CLR_INVALID;
    for (int i = 0; i < 100; ++i) {
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if ((cr = ScreenPixel(x, y)) == crWant)
            return ::testing::AssertionSuccess();
        ::Sleep(20);
    }
    char sz[96];
    snprintf(sz, sizeof sz, "screen pixel (%d, %d) is 0x%06lX, expected 0x%06lX", x, y, (unsigned long)cr,
             (unsigned long)crWant);
    return ::testing::AssertionFailure() << sz;
}

class CTestFrame : public CScreenShareHintWnd
{
public:
    void Command(int nID) { SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), 0); }
};
} // namespace

TEST(FrameWithoutLayeredWindows, StaysOpaqueAndEverythingElseWorks)
{
    HMODULE hUser32 = ::GetModuleHandleA("USER32.DLL");
    ASSERT_TRUE(::GetProcAddress(hUser32, "SetLayeredWindowAttributes") != NULL);
    CHiddenExport hidden("USER32.DLL", "SetLayeredWindowAttributes");
    ASSERT_TRUE(::GetProcAddress(hUser32, "SetLayeredWindowAttributes") == NULL) << "the export could not be hidden";
    ASSERT_TRUE(::GetProcAddress(hUser32, "SetWindowPos") != NULL) << "hiding it broke the other lookups";

    // As the host dialog makes it.
    CTestFrame* pFrame = new CTestFrame;
    ASSERT_TRUE(pFrame->CreateFrame());
    pFrame->ShowWindow(SW_SHOW);
    HWND hFrame = pFrame->m_hWnd;

    EXPECT_EQ(0, ::GetWindowLongA(hFrame, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF crKey = 0;
    BYTE bAlpha = 0;
    DWORD dwFlags = 0;
    EXPECT_FALSE(::GetLayeredWindowAttributes(hFrame, &crKey, &bAlpha, &dwFlags));
    // The inside shows the key colour itself instead of the desktop.
    EXPECT_TRUE(ScreenShows(40 + 400, 40 + 250, KEY));
    EXPECT_TRUE(ScreenShows(40 + 230, 40 + 4, STRIP));
    EXPECT_TRUE(ScreenShows(40 + 1, 40 + 300, RED));
    for (int nID : { IDC_FRAME_SHOW_FRAME, IDC_FRAME_CLOSE, IDC_FRAME_CAPTURE, IDC_FRAME_SHRINK, IDC_FRAME_ENLARGE })
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hFrame, nID))) << "button " << nID;

    pFrame->Command(IDC_FRAME_SHOW_FRAME);
    EXPECT_TRUE(ScreenShows(40 + 1, 40 + 300, KEY)) << "the outline did not go";
    pFrame->Command(IDC_FRAME_CAPTURE);
    pFrame->Command(IDC_FRAME_ENLARGE);
    RECT rc = {};
    ::GetWindowRect(hFrame, &rc);
    EXPECT_EQ(1024, rc.right - rc.left);
    EXPECT_EQ(602, rc.bottom - rc.top);
    EXPECT_TRUE(ScreenShows(40 + 1000, 40 + 580, KEY));

    WriteCaptureDword("param_set", 0);
    pFrame->SendMessage(WM_TIMER, FRAME_PUBLISH_TIMER_ID, 0);
    EXPECT_EQ(42u, Dword("start_x"));
    EXPECT_EQ(66u, Dword("start_y"));
    EXPECT_EQ(1020u, Dword("capture_width"));
    EXPECT_EQ(576u, Dword("capture_height"));
    EXPECT_EQ(0u, Dword("show_img"));
    EXPECT_EQ(1u, Dword("param_set"));

    delete pFrame;
    EXPECT_FALSE(::IsWindow(hFrame));
}
