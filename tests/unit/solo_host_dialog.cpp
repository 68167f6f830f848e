// solo_host_dialog.cpp - the host dialog run modally in this process (it needs an application
// object of its own, hence a process of its own): its icon, which Wine does not give out to
// another process, and the release of its frame when it is closed.
#include <gtest/gtest.h>

#include "../../app/host_dialog.h"
#include "../../capture/capture_frame.h"

namespace
{
CWinApp s_app;   // the host dialog takes its icon through the application object

class CTestHostDlg : public CconsoleDlg
{
public:
    using CconsoleDlg::m_pHintWnd;
};

// What the probe saw inside the dialog's modal loop.
struct Seen
{
    CTestHostDlg* pDlg = nullptr;
    HICON hBig = NULL;
    HICON hSmall = NULL;
    HWND hFrame = NULL;
} g_seen;

// Looks once the frame is there, then closes the dialog.
void CALLBACK Probe(HWND /*hWnd*/, UINT /*uMsg*/, UINT_PTR /*idEvent*/, DWORD /*dwTime*/)
{
    CTestHostDlg* pDlg = g_seen.pDlg;
    if (g_seen.hFrame != NULL || pDlg->m_hWnd == NULL || pDlg->m_pHintWnd == NULL)
        return;
    g_seen.hBig = (HICON)pDlg->SendMessage(WM_GETICON, ICON_BIG, 0);
    g_seen.hSmall = (HICON)pDlg->SendMessage(WM_GETICON, ICON_SMALL, 0);
    g_seen.hFrame = pDlg->m_pHintWnd->m_hWnd;
    pDlg->PostMessage(WM_CLOSE);
}
} // namespace

TEST(HostDialogInProcess, CarriesIcon128AndReleasesItsFrameOnClose)
{
    CTestHostDlg dlg;
    g_seen.pDlg = &dlg;
    const UINT_PTR nTimer = ::SetTimer(NULL, 0, 50, Probe);
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    ::KillTimer(NULL, nTimer);

    ASSERT_TRUE(g_seen.hFrame != NULL) << "the dialog never ran with its frame";
    const HICON hIcon = ::LoadIconA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_TRUE(hIcon != NULL && g_seen.hBig == hIcon && g_seen.hSmall == hIcon)
        << "icon 128 is " << hIcon << ", the dialog's large icon " << g_seen.hBig << ", small " << g_seen.hSmall;
    EXPECT_TRUE(dlg.m_pHintWnd == NULL) << "the frame was not released";
    EXPECT_FALSE(::IsWindow(g_seen.hFrame)) << "the frame window outlived the dialog's close";
}
