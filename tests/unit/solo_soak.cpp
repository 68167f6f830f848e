// solo_soak.cpp - the long run: the host dialog runs modally with its frame, as in the program,
// and a driver inside its message loop works the frame in batches, letting the loop go idle (and
// purge its temporary wrappers) between them. A batch: 100 ticks, 10 paints of the frame and its
// buttons, two clicks on each of the outline, capture, enlarge and shrink buttons (through full
// screen and back), one AssignBitmaps. Handles are counted exactly by filling the process's tables
// (GetGuiResources says 0 on Wine); private bytes are the commit charge (PagefileUsage: Wine leaves
// PrivateUsage unset). ZELVIX_SOAK=full (make soak) runs 1,000 batches and also holds private bytes
// to 64 KB of growth; make test runs 50. Either way the dialog must carry icon 128 (Wine does not
// give it out to another process) and release its frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/host_dialog.h"
#include "capture/capture_frame.h"

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

// What is counted before the run and after it.
struct Figures
{
    int nFreeGdi, nFreeUser;
    SIZE_T cbPrivate;
    DWORD dwTime;

    void Take()
    {
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof(pmc);
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
        cbPrivate = pmc.PagefileUsage;
        nFreeGdi = CountFree([] { return (HANDLE)::CreateSolidBrush(RGB(1, 2, 3)); }, [](HANDLE h) { ::DeleteObject(h); });
        nFreeUser = CountFree([] { return (HANDLE)::CreateMenu(); }, [](HANDLE h) { ::DestroyMenu((HMENU)h); });
        dwTime = ::GetTickCount();
    }
};

// The run; checked once the dialog's modal run is over.
struct
{
    int nBatches, nBatch = -1;   // -1: the warm-up batch
    CTestHostDlg* pDlg;
    UINT_PTR nTimer;
    Figures before, after;
    HWND hFrame;
} g_soak;

void RunBatch(HWND hFrame)
{
    for (int i = 0; i < 100; ++i)
        ::SendMessageA(hFrame, WM_TIMER, zelvix::kFramePublishTimerId, 0);
    for (int i = 0; i < 10; ++i)
        ::RedrawWindow(hFrame, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int nID : { IDC_FRAME_SHOW_FRAME, IDC_FRAME_CAPTURE, IDC_FRAME_ENLARGE, IDC_FRAME_ENLARGE, IDC_FRAME_SHRINK,
                     IDC_FRAME_SHRINK, IDC_FRAME_SHOW_FRAME, IDC_FRAME_CAPTURE })
        ::SendMessageA(::GetDlgItem(hFrame, nID), BM_CLICK, 0, 0);
    // The button keeps what it is given, and releases it at the next AssignBitmaps; the second
    // image is derived from the first (darker, gray) or loaded.
    HINSTANCE hInst = ::GetModuleHandleA(NULL);
    HBITMAP hFirst = (HBITMAP)::LoadImageA(hInst, MAKEINTRESOURCEA(IDB_SHRINK), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    HBITMAP hSecond = g_soak.nBatch % 3 == 0 ? BMP_DARKER : g_soak.nBatch % 3 == 1 ? BMP_GRAY
        : (HBITMAP)::LoadImageA(hInst, MAKEINTRESOURCEA(IDB_ENLARGE), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    CWnd* pShrink = CWnd::FromHandlePermanent(::GetDlgItem(hFrame, IDC_FRAME_SHRINK));
    static_cast<CImageButton*>(pShrink)->AssignBitmaps(hFirst, hSecond);
}

void CALLBACK SoakStep(HWND, UINT, UINT_PTR, DWORD)
{
    CTestHostDlg* pDlg = g_soak.pDlg;
    if (pDlg->m_hWnd == NULL || pDlg->m_pHintWnd == NULL || pDlg->m_pHintWnd->m_hWnd == NULL)
        return;
    g_soak.hFrame = pDlg->m_pHintWnd->m_hWnd;
    if (g_soak.nBatch < g_soak.nBatches) {
        // Figures are taken only after the loop went idle, and after every kind of work and one
        // count were done once, so that caches and the heap have reached their working size.
        if (g_soak.nBatch == 0)
            g_soak.before.Take();
        RunBatch(g_soak.hFrame);
        if (g_soak.nBatch++ == -1)
            g_soak.before.Take();
        // Re-armed after the work: the loop finds its queue empty (and goes idle) before the next.
        g_soak.nTimer = ::SetTimer(NULL, g_soak.nTimer, 10, SoakStep);
        return;
    }
    g_soak.after.Take();
    // The USER table is shared with every process of the session: a difference that is another
    // process's passing window would be gone at a second count, a leak would not.
    if (g_soak.after.nFreeUser != g_soak.before.nFreeUser)
        ::Sleep(500), g_soak.after.Take();
    const HICON hIcon = ::LoadIconA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_TRUE(hIcon != NULL && pDlg->SendMessage(WM_GETICON, ICON_BIG, 0) == (LRESULT)hIcon
                && pDlg->SendMessage(WM_GETICON, ICON_SMALL, 0) == (LRESULT)hIcon) << "the dialog's icons are not icon 128";
    ::KillTimer(NULL, g_soak.nTimer);
    pDlg->PostMessage(WM_CLOSE);
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
    ASSERT_EQ(g_soak.nBatches, g_soak.nBatch) << "the driver never ran to its end";

    const int n = g_soak.nBatches;
    const Figures& before = g_soak.before;
    const Figures& after = g_soak.after;
    const long long nPrivateGrowth = (long long)after.cbPrivate - (long long)before.cbPrivate;
    printf("soak (%s): %d paints, %d outline, %d capture, %d enlarge, %d shrink, %d AssignBitmaps, %d ticks in %.1f s\n",
           bFull ? "full" : "short", n * 10, n * 2, n * 2, n * 2, n * 2, n, n * 100, (after.dwTime - before.dwTime) / 1000.0);
    printf("soak: free GDI handles %d -> %d (growth %d); free USER handles %d -> %d (growth %d)\n", before.nFreeGdi,
           after.nFreeGdi, before.nFreeGdi - after.nFreeGdi, before.nFreeUser, after.nFreeUser, before.nFreeUser - after.nFreeUser);
    printf("soak: private bytes %lu -> %lu (growth %lld bytes)\n", (unsigned long)before.cbPrivate,
           (unsigned long)after.cbPrivate, nPrivateGrowth);
    fflush(stdout);

    ASSERT_TRUE(before.nFreeGdi > 1000 && before.nFreeUser > 1000) << "the handle tables could not be counted";
    EXPECT_EQ(before.nFreeGdi, after.nFreeGdi) << "GDI handles leaked";
    EXPECT_EQ(before.nFreeUser, after.nFreeUser) << "USER handles leaked";
    EXPECT_TRUE(!bFull || nPrivateGrowth <= 64 * 1024) << "private bytes grew " << nPrivateGrowth << " after the warm-up";

    EXPECT_TRUE(dlg.m_pHintWnd == NULL && !::IsWindow(g_soak.hFrame)) << "the frame was not released on close";
}
