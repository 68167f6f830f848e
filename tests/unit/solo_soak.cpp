// solo_soak.cpp - the long run: the host dialog runs modally with its frame, as in the program,
// and a driver inside its message loop works the frame with real messages, in batches, letting
// the loop go idle (and purge its temporary wrappers) between batches:
//   paints        RedrawWindow of the frame and its buttons (WM_PAINT, WM_DRAWITEM)
//   commands      BM_CLICK on the outline, capture, enlarge and shrink buttons; enlarge and
//                 shrink go round normal -> large -> full screen -> large -> normal
//   AssignBitmaps on the shrink button, with a derived dark or gray second image or a second bitmap
//   ticks         WM_TIMER 8755 sent to the frame
// Handles are counted exactly by filling the process's tables (GetGuiResources says 0 on Wine):
// brushes for GDI, menus for USER, until creation fails; then all are deleted again. Private
// bytes are the commit charge (PagefileUsage: Wine leaves PrivateUsage unset).
// ZELVIX_SOAK=full (make soak) runs 10,000 paints, 2,000 of each command, 1,000 AssignBitmaps and
// 100,000 ticks and also holds private bytes to 64 KB of growth; by default (make test) a
// twentieth of that, checking the handles only.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../../app/host_dialog.h"
#include "../../capture/capture_frame.h"
#include "../../res/resource.h"

#include <psapi.h>

namespace
{
CWinApp s_app;  // the host dialog takes its icon through the application object

class CTestHostDlg : public CconsoleDlg
{
public:
    using CconsoleDlg::m_pHintWnd;
};

struct SoakPlan
{
    bool bFull;
    int nBatches;
    // per batch
    int nPaints;
    int nCycles;   // each: outline, capture, enlarge twice, shrink twice, outline, capture
    int nAssigns;
    int nTicks;
};

SoakPlan Plan()
{
    const char* pszMode = getenv("ZELVIX_SOAK");
    const bool bFull = pszMode != NULL && strcmp(pszMode, "full") == 0;
    // Full: 1000 batches of 10 paints, 1 cycle (2 of each command), 1 AssignBitmaps, 100 ticks.
    return SoakPlan{ bFull, bFull ? 1000 : 50, 10, 1, 1, 100 };
}

// Free slots of the process's GDI handle table.
int CountFreeGdiHandles()
{
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    for (;;) {
        HBRUSH h = ::CreateSolidBrush(RGB(1, 2, 3));
        if (h == NULL)
            break;
        brushes.push_back(h);
        if (brushes.size() == brushes.capacity())
            break;  // no limit where one was expected: the count means nothing
    }
    for (HBRUSH h : brushes)
        ::DeleteObject(h);
    return brushes.size() == brushes.capacity() ? -1 : (int)brushes.size();
}

// Free slots of the USER handle table (on Wine one table for the whole session).
int CountFreeUserHandles()
{
    std::vector<HMENU> menus;
    menus.reserve(70000);
    for (;;) {
        HMENU h = ::CreateMenu();
        if (h == NULL)
            break;
        menus.push_back(h);
        if (menus.size() == menus.capacity())
            break;
    }
    for (HMENU h : menus)
        ::DestroyMenu(h);
    return menus.size() == menus.capacity() ? -1 : (int)menus.size();
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS pmc;
    memset(&pmc, 0, sizeof pmc);
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

// What the driver did and saw; checked once the dialog's modal run is over.
struct Soak
{
    SoakPlan plan;
    CTestHostDlg* pDlg = nullptr;
    UINT_PTR nTimer = 0;
    enum { WARM_UP, BASELINE, RUN, FINAL } phase = WARM_UP;
    int nBatch = 0;
    bool bFailed = false;
    std::string strFailure;
    int nPaints = 0, nOutline = 0, nCapture = 0, nEnlarge = 0, nShrink = 0, nAssigns = 0, nTicks = 0;
    DWORD dwTickMs = 0, dwPaintMs = 0, dwCommandMs = 0, dwAssignMs = 0;  // time spent on each kind
    int nGdiBefore = 0, nGdiAfter = 0, nUserBefore = 0, nUserAfter = 0;
    SIZE_T cbBefore = 0, cbAfter = 0;
    DWORD dwStart = 0, dwEnd = 0;
    RECT rcEnd = {};
    bool bDone = false;
} g_soak;

void CALLBACK SoakStep(HWND, UINT, UINT_PTR, DWORD);

void Fail(const char* pszWhat)
{
    g_soak.bFailed = true;
    g_soak.strFailure = pszWhat;
}

void Click(HWND hFrame, int nID, int* pnCount)
{
    HWND hButton = ::GetDlgItem(hFrame, nID);
    if (hButton == NULL) {
        Fail("a caption-strip button is missing");
        return;
    }
    ::SendMessageA(hButton, BM_CLICK, 0, 0);
    ++*pnCount;
}

// One batch of work on the frame; the loop runs between batches.
void RunBatch(HWND hFrame, CImageButton* pShrink, int nBatch)
{
    const SoakPlan& plan = g_soak.plan;
    DWORD dwStart = ::GetTickCount();
    auto lap = [&dwStart](DWORD& dwTotal) {
        const DWORD dwNow = ::GetTickCount();
        dwTotal += dwNow - dwStart;
        dwStart = dwNow;
    };
    for (int i = 0; i < plan.nTicks; ++i) {
        ::SendMessageA(hFrame, WM_TIMER, FRAME_PUBLISH_TIMER_ID, 0);
        ++g_soak.nTicks;
    }
    lap(g_soak.dwTickMs);
    for (int i = 0; i < plan.nPaints; ++i) {
        ::RedrawWindow(hFrame, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        ++g_soak.nPaints;
    }
    lap(g_soak.dwPaintMs);
    for (int i = 0; i < plan.nCycles; ++i) {
        Click(hFrame, IDC_FRAME_SHOW_FRAME, &g_soak.nOutline);
        Click(hFrame, IDC_FRAME_CAPTURE, &g_soak.nCapture);
        Click(hFrame, IDC_FRAME_ENLARGE, &g_soak.nEnlarge);  // large
        Click(hFrame, IDC_FRAME_ENLARGE, &g_soak.nEnlarge);  // full screen
        Click(hFrame, IDC_FRAME_SHRINK, &g_soak.nShrink);    // large
        Click(hFrame, IDC_FRAME_SHRINK, &g_soak.nShrink);    // normal
        Click(hFrame, IDC_FRAME_SHOW_FRAME, &g_soak.nOutline);
        Click(hFrame, IDC_FRAME_CAPTURE, &g_soak.nCapture);
    }
    lap(g_soak.dwCommandMs);
    HINSTANCE hInst = ::GetModuleHandleA(NULL);
    for (int i = 0; i < plan.nAssigns; ++i) {
        HBITMAP hFirst = (HBITMAP)::LoadImageA(hInst, MAKEINTRESOURCEA(IDB_SHRINK), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
        HBITMAP hSecond = BMP_DARKER;
        if (nBatch % 3 == 1)
            hSecond = BMP_GRAY;
        else if (nBatch % 3 == 2)
            hSecond = (HBITMAP)::LoadImageA(hInst, MAKEINTRESOURCEA(IDB_ENLARGE), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
        if (pShrink->AssignBitmaps(hFirst, hSecond) != IMGBTN_OK)
            Fail("AssignBitmaps did not succeed");
        ++g_soak.nAssigns;
    }
    lap(g_soak.dwAssignMs);
}

void Finish()
{
    ::KillTimer(NULL, g_soak.nTimer);
    g_soak.bDone = true;
    g_soak.pDlg->PostMessage(WM_CLOSE);
}

void CALLBACK SoakStep(HWND /*hWnd*/, UINT /*uMsg*/, UINT_PTR /*idEvent*/, DWORD /*dwTime*/)
{
    CTestHostDlg* pDlg = g_soak.pDlg;
    if (g_soak.bDone || pDlg->m_hWnd == NULL || pDlg->m_pHintWnd == NULL || pDlg->m_pHintWnd->m_hWnd == NULL)
        return;
    HWND hFrame = pDlg->m_pHintWnd->m_hWnd;
    CImageButton* pShrink =
        dynamic_cast<CImageButton*>(CWnd::FromHandlePermanent(::GetDlgItem(hFrame, IDC_FRAME_SHRINK)));
    if (pShrink == NULL) {
        Fail("the shrink button is not a CImageButton");
        Finish();
        return;
    }

    switch (g_soak.phase) {
    case Soak::WARM_UP:
        // Every kind of work once, and one count, so that caches and the heap have reached their
        // working size before the figures are taken.
        RunBatch(hFrame, pShrink, 0);
        CountFreeGdiHandles();
        CountFreeUserHandles();
        g_soak.nPaints = g_soak.nOutline = g_soak.nCapture = g_soak.nEnlarge = g_soak.nShrink = 0;
        g_soak.nAssigns = g_soak.nTicks = 0;
        g_soak.dwTickMs = g_soak.dwPaintMs = g_soak.dwCommandMs = g_soak.dwAssignMs = 0;
        g_soak.phase = Soak::BASELINE;
        break;
    case Soak::BASELINE:
        g_soak.cbBefore = PrivateBytes();
        g_soak.nGdiBefore = CountFreeGdiHandles();
        g_soak.nUserBefore = CountFreeUserHandles();
        g_soak.dwStart = ::GetTickCount();
        g_soak.phase = Soak::RUN;
        break;
    case Soak::RUN:
        RunBatch(hFrame, pShrink, g_soak.nBatch);
        if (++g_soak.nBatch == g_soak.plan.nBatches || g_soak.bFailed)
            g_soak.phase = Soak::FINAL;
        break;
    case Soak::FINAL:
        g_soak.dwEnd = ::GetTickCount();
        g_soak.cbAfter = PrivateBytes();
        g_soak.nGdiAfter = CountFreeGdiHandles();
        g_soak.nUserAfter = CountFreeUserHandles();
        // The USER table is shared with every process of the session: a difference that is
        // another process's passing window would be gone at a second count, a leak would not.
        if (g_soak.nUserAfter != g_soak.nUserBefore) {
            ::Sleep(500);
            g_soak.nUserAfter = CountFreeUserHandles();
        }
        ::GetWindowRect(hFrame, &g_soak.rcEnd);
        Finish();
        return;
    }
    // Re-armed after the work: the loop finds its queue empty (and goes idle) before the next.
    g_soak.nTimer = ::SetTimer(NULL, g_soak.nTimer, 10, SoakStep);
}
} // namespace

TEST(Soak, LongRunOfPaintsCommandsImagesAndTicksLeavesNoHandlesBehind)
{
    g_soak.plan = Plan();
    CTestHostDlg dlg;
    g_soak.pDlg = &dlg;
    g_soak.nTimer = ::SetTimer(NULL, 0, 10, SoakStep);
    dlg.DoModal();
    ::KillTimer(NULL, g_soak.nTimer);

    ASSERT_TRUE(g_soak.bDone) << "the driver never ran to its end";
    ASSERT_FALSE(g_soak.bFailed) << g_soak.strFailure;
    const SoakPlan& plan = g_soak.plan;
    EXPECT_EQ(plan.nBatches * plan.nTicks, g_soak.nTicks);
    EXPECT_EQ(plan.nBatches * plan.nPaints, g_soak.nPaints);
    EXPECT_EQ(plan.nBatches * plan.nCycles * 2, g_soak.nEnlarge);
    EXPECT_EQ(plan.nBatches * plan.nAssigns, g_soak.nAssigns);

    const long long nPrivateGrowth = (long long)g_soak.cbAfter - (long long)g_soak.cbBefore;
    printf("soak (%s): %d paints, %d outline, %d capture, %d enlarge, %d shrink, %d AssignBitmaps, %d ticks in %.1f s\n",
           plan.bFull ? "full" : "short", g_soak.nPaints, g_soak.nOutline, g_soak.nCapture, g_soak.nEnlarge,
           g_soak.nShrink, g_soak.nAssigns, g_soak.nTicks, (g_soak.dwEnd - g_soak.dwStart) / 1000.0);
    printf("soak: time in ticks %.1f s, paints %.1f s, commands %.1f s, AssignBitmaps %.1f s\n",
           g_soak.dwTickMs / 1000.0, g_soak.dwPaintMs / 1000.0, g_soak.dwCommandMs / 1000.0,
           g_soak.dwAssignMs / 1000.0);
    printf("soak: free GDI handles %d -> %d (growth %d); free USER handles %d -> %d (growth %d)\n",
           g_soak.nGdiBefore, g_soak.nGdiAfter, g_soak.nGdiBefore - g_soak.nGdiAfter, g_soak.nUserBefore,
           g_soak.nUserAfter, g_soak.nUserBefore - g_soak.nUserAfter);
    printf("soak: private bytes %lu -> %lu (growth %lld bytes)\n", (unsigned long)g_soak.cbBefore,
           (unsigned long)g_soak.cbAfter, nPrivateGrowth);
    fflush(stdout);

    ASSERT_GT(g_soak.nGdiBefore, 1000) << "the GDI table could not be counted";
    ASSERT_GT(g_soak.nUserBefore, 1000) << "the USER table could not be counted";
    EXPECT_EQ(g_soak.nGdiBefore, g_soak.nGdiAfter) << "GDI handles leaked";
    EXPECT_EQ(g_soak.nUserBefore, g_soak.nUserAfter) << "USER handles leaked";
    EXPECT_EQ(800, g_soak.rcEnd.right - g_soak.rcEnd.left) << "the size cycles did not end at the normal size";
    EXPECT_EQ(476, g_soak.rcEnd.bottom - g_soak.rcEnd.top);
    if (plan.bFull) {
        EXPECT_LE(nPrivateGrowth, 64 * 1024) << "private bytes grew after the warm-up";
    }
}
