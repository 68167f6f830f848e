// solo_host_dialog.cpp - the host dialog run modally in this process (it needs an application
// object of its own, hence a process of its own): its icons, the frame it owns, and its close.
#include <gtest/gtest.h>

#include "../../app/host_dialog.h"
#include "../../capture/capture_frame.h"
#include "../../capture/capture_settings_store.h"

namespace
{
CWinApp s_app;  // the host dialog takes its icon through the application object

class CTestHostDlg : public CconsoleDlg
{
public:
    using CconsoleDlg::m_pHintWnd;
};

// What the probe saw while the dialog ran.
struct Seen
{
    CTestHostDlg* pDlg = nullptr;
    bool bProbed = false;
    HICON hBig = NULL;
    HICON hSmall = NULL;
    HWND hFrame = NULL;
    RECT rcHost = {};
    bool bFrameVisible = false;
    UINT_PTR nTimer = 0;
} g_seen;

// Runs inside the dialog's modal loop: looks once the frame is there, then closes the dialog.
void CALLBACK Probe(HWND /*hWnd*/, UINT /*uMsg*/, UINT_PTR /*idEvent*/, DWORD /*dwTime*/)
{
    CTestHostDlg* pDlg = g_seen.pDlg;
    if (g_seen.bProbed || pDlg->m_hWnd == NULL || pDlg->m_pHintWnd == NULL)
        return;
    g_seen.bProbed = true;
    g_seen.hBig = (HICON)pDlg->SendMessage(WM_GETICON, ICON_BIG, 0);
    g_seen.hSmall = (HICON)pDlg->SendMessage(WM_GETICON, ICON_SMALL, 0);
    g_seen.hFrame = pDlg->m_pHintWnd->m_hWnd;
    g_seen.bFrameVisible = ::IsWindowVisible(g_seen.hFrame) != FALSE;
    ::GetWindowRect(pDlg->m_hWnd, &g_seen.rcHost);
    WriteCaptureDword("show_img", 0);
    WriteCaptureDword("param_set", 0);
    pDlg->PostMessage(WM_CLOSE);
}
} // namespace

TEST(HostDialogInProcess, CarriesTheIconOwnsTheFrameAndReleasesItOnClose)
{
    CTestHostDlg dlg;
    g_seen.pDlg = &dlg;
    g_seen.nTimer = ::SetTimer(NULL, 0, 50, Probe);
    const INT_PTR nResult = dlg.DoModal();
    ::KillTimer(NULL, g_seen.nTimer);

    ASSERT_TRUE(g_seen.bProbed) << "the dialog never ran with its frame";
    const HICON hIcon = ::LoadIconA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_TRUE(hIcon != NULL);
    EXPECT_EQ(hIcon, g_seen.hBig);
    EXPECT_EQ(hIcon, g_seen.hSmall);
    EXPECT_TRUE(g_seen.rcHost.left == 0 && g_seen.rcHost.top == 0 && g_seen.rcHost.right == 0
                && g_seen.rcHost.bottom == 0);
    EXPECT_TRUE(g_seen.bFrameVisible) << "the frame was not shown";

    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_TRUE(dlg.m_pHintWnd == NULL) << "the frame was not released";
    EXPECT_FALSE(::IsWindow(g_seen.hFrame)) << "the frame window outlived the dialog's close";
    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, KEY_READ | KEY_WOW64_32KEY, &hKey));
    DWORD dwShow = 0, dwSet = 0, cb = 4;
    ::RegQueryValueExA(hKey, "show_img", NULL, NULL, (BYTE*)&dwShow, &cb);
    cb = 4;
    ::RegQueryValueExA(hKey, "param_set", NULL, NULL, (BYTE*)&dwSet, &cb);
    ::RegCloseKey(hKey);
    EXPECT_EQ(1u, dwShow);
    EXPECT_EQ(1u, dwSet);
}
