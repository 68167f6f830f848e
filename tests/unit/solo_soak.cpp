// solo_soak.cpp - the long run: the host dialog runs modally with its frame, as in the program,
// and a driver inside its message loop works the frame with real messages in batches, letting the
// loop go idle (and purge its temporary wrappers) between them. A batch: 100 ticks, 10 paints of
// the frame and its buttons, two clicks on each of the outline, capture, enlarge and shrink buttons
// (normal -> large -> full screen -> large -> normal), one AssignBitmaps on the shrink button.
// Handles are counted exactly by filling the process's tables (GetGuiResources says 0 on Wine):
// brushes for GDI, menus for USER. Private bytes are the commit charge (PagefileUsage: Wine leaves
// PrivateUsage unset). ZELVIX_SOAK=full (make soak) runs 1,000 batches and also holds private
// bytes to 64 KB of growth; make test runs 50, checking the handles only. Either way the dialog
// must carry icon 128 (Wine does not give it out to another process) and release its frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../../app/host_dialog.h"
#include "../../capture/capture_frame.h"

#include <psapi.h>

namespace
{
CWinApp s_app;   // the host dialog takes its icon through the application object

class CTestHostDlg : public CconsoleDlg
{
public:
    using CconsoleDlg::m_pHintWnd;
};

// Free slots of a handle table: objects made until creation fails, then deleted again; -1 when
// no limit was reached (the count would mean nothing).
int CountFree(const std::function<HANDLE()>& make, const std::function<void(HANDLE)>& destroy)
{
    std::vector<HANDLE> handles;
    handles.reserve(70000);
    for (HANDLE h; handles.size() < handles.capacity() && (h = make()) != NULL;)
        handles.push_back(h);
    for (HANDLE h : handles)
        destroy(h);
    return handles.size() == handles.capacity() ? -1 : (int)handles.size();
}
int FreeGdi() { return CountFree([] { return (HANDLE)::CreateSolidBrush(RGB(1, 2, 3)); }, [](HANDLE h) { ::DeleteObject(h); }); }
int FreeUser() { return CountFree([] { return (HANDLE)::CreateMenu(); }, [](HANDLE h) { ::DestroyMenu((HMENU)h); }); }

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

// The run, and what the driver did and saw; checked once the dialog's modal run is over.
struct
{
    int nBatches, nBatch = -2;   // -2: the warm-up batch, -1: the figures before the run
    CTestHostDlg* pDlg;
    UINT_PTR nTimer;
    std::string strFailure = "the driver never ran to its end";
    bool bEnded;
    int nGdiBefore, nGdiAfter, nUserBefore, nUserAfter;
    SIZE_T cbBefore, cbAfter;
    DWORD dwStart, dwEnd;
    HICON hBig, hSmall;
    HWND hFrame;
} g_soak;

bool RunBatch(HWND hFrame, CImageButton* pShrink)
{
    for (int i = 0; i < 100; ++i)
        ::SendMessageA(hFrame, WM_TIMER, FRAME_PUBLISH_TIMER_ID, 0);
    for (int i = 0; i < 10; ++i)
        ::RedrawWindow(hFrame, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int nID : { IDC_FRAME_SHOW_FRAME, IDC_FRAME_CAPTURE, IDC_FRAME_ENLARGE, IDC_FRAME_ENLARGE, IDC_FRAME_SHRINK,
                     IDC_FRAME_SHRINK, IDC_FRAME_SHOW_FRAME, IDC_FRAME_CAPTURE })
        ::SendMessageA(::GetDlgItem(hFrame, nID), BM_CLICK, 0, 0);
    HINSTANCE hInst = ::GetModuleHandleA(NULL);
    HBITMAP hFirst = (HBITMAP)::LoadImageA(hInst, MAKEINTRESOURCEA(IDB_SHRINK), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    HBITMAP hSecond = g_soak.nBatch % 3 == 0 ? BMP_DARKER : g_soak.nBatch % 3 == 1 ? BMP_GRAY
        : (HBITMAP)::LoadImageA(hInst, MAKEINTRESOURCEA(IDB_ENLARGE), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    return pShrink->AssignBitmaps(hFirst, hSecond) == IMGBTN_OK;
}

void CALLBACK SoakStep(HWND, UINT, UINT_PTR, DWORD)
{
    CTestHostDlg* pDlg = g_soak.pDlg;
    if (pDlg->m_hWnd == NULL || pDlg->m_pHintWnd == NULL || pDlg->m_pHintWnd->m_hWnd == NULL)
        return;
    HWND hFrame = g_soak.hFrame = pDlg->m_pHintWnd->m_hWnd;
    CImageButton* pShrink = dynamic_cast<CImageButton*>(CWnd::FromHandlePermanent(::GetDlgItem(hFrame, IDC_FRAME_SHRINK)));
    if (pShrink == NULL) {
        g_soak.strFailure = "the shrink button is missing or not a CImageButton";
        g_soak.bEnded = true;
    } else if (g_soak.nBatch == -2) {
        // Every kind of work once, and one count, so that caches and the heap have reached their
        // working size before the figures are taken (after the loop went idle).
        RunBatch(hFrame, pShrink);
        FreeGdi(), FreeUser();
        g_soak.nBatch = -1;
    } else if (g_soak.nBatch == -1) {
        g_soak.hBig = (HICON)pDlg->SendMessage(WM_GETICON, ICON_BIG, 0);
        g_soak.hSmall = (HICON)pDlg->SendMessage(WM_GETICON, ICON_SMALL, 0);
        g_soak.cbBefore = PrivateBytes();
        g_soak.nGdiBefore = FreeGdi();
        g_soak.nUserBefore = FreeUser();
        g_soak.dwStart = ::GetTickCount();
        g_soak.nBatch = 0;
    } else if (g_soak.nBatch < g_soak.nBatches) {
        if (!RunBatch(hFrame, pShrink))
            g_soak.strFailure = "AssignBitmaps did not succeed", g_soak.bEnded = true;
        ++g_soak.nBatch;
    } else {
        g_soak.dwEnd = ::GetTickCount();
        g_soak.cbAfter = PrivateBytes();
        g_soak.nGdiAfter = FreeGdi();
        // The USER table is shared with every process of the session: a difference that is
        // another process's passing window would be gone at a second count, a leak would not.
        if ((g_soak.nUserAfter = FreeUser()) != g_soak.nUserBefore)
            ::Sleep(500), g_soak.nUserAfter = FreeUser();
        g_soak.strFailure.clear();
        g_soak.bEnded = true;
    }
    if (g_soak.bEnded) {
        ::KillTimer(NULL, g_soak.nTimer);
        pDlg->PostMessage(WM_CLOSE);
        return;
    }
    // Re-armed after the work: the loop finds its queue empty (and goes idle) before the next.
    g_soak.nTimer = ::SetTimer(NULL, g_soak.nTimer, 10, SoakStep);
}
} // namespace

TEST(Soak, LongRunOfPaintsCommandsImagesAndTicksLeavesNoHandlesBehind)
{
    const char* pszMode = getenv("ZELVIX_SOAK");
    const bool bFull = pszMode != NULL && strcmp(pszMode, "full") == 0;
    CTestHostDlg dlg;
    g_soak.nBatches = bFull ? 1000 : 50;
    g_soak.pDlg = &dlg;
    g_soak.nTimer = ::SetTimer(NULL, 0, 10, SoakStep);
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    ::KillTimer(NULL, g_soak.nTimer);
    ASSERT_EQ("", g_soak.strFailure);

    const int n = g_soak.nBatches;
    const long long nPrivateGrowth = (long long)g_soak.cbAfter - (long long)g_soak.cbBefore;
    printf("soak (%s): %d paints, %d outline, %d capture, %d enlarge, %d shrink, %d AssignBitmaps, %d ticks in %.1f s\n",
           bFull ? "full" : "short", n * 10, n * 2, n * 2, n * 2, n * 2, n, n * 100, (g_soak.dwEnd - g_soak.dwStart) / 1000.0);
    printf("soak: free GDI handles %d -> %d (growth %d); free USER handles %d -> %d (growth %d)\n",
           g_soak.nGdiBefore, g_soak.nGdiAfter, g_soak.nGdiBefore - g_soak.nGdiAfter, g_soak.nUserBefore,
           g_soak.nUserAfter, g_soak.nUserBefore - g_soak.nUserAfter);
    printf("soak: private bytes %lu -> %lu (growth %lld bytes)\n", (unsigned long)g_soak.cbBefore,
           (unsigned long)g_soak.cbAfter, nPrivateGrowth);
    fflush(stdout);

    ASSERT_TRUE(g_soak.nGdiBefore > 1000 && g_soak.nUserBefore > 1000) << "the handle tables could not be counted";
    EXPECT_EQ(g_soak.nGdiBefore, g_soak.nGdiAfter) << "GDI handles leaked";
    EXPECT_EQ(g_soak.nUserBefore, g_soak.nUserAfter) << "USER handles leaked";
    EXPECT_TRUE(!bFull || nPrivateGrowth <= 64 * 1024) << "private bytes grew " << nPrivateGrowth << " after the warm-up";

    const HICON hIcon = ::LoadIconA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_TRUE(hIcon != NULL && g_soak.hBig == hIcon && g_soak.hSmall == hIcon)
        << "icon 128 is " << hIcon << ", the dialog's large icon " << g_soak.hBig << ", small " << g_soak.hSmall;
    EXPECT_TRUE(dlg.m_pHintWnd == NULL && !::IsWindow(g_soak.hFrame)) << "the frame was not released on close";
}
