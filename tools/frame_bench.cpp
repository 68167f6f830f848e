// frame_bench.cpp - times the capture frame's tick and its paint against floors measured in the
// same process (run by scripts/run-bench, or by hand under Wine):
//   scripts/wine-exec build/x64/tools/frame_bench.exe [rounds] [repetitions]
// Each round takes the mean of <repetitions> calls of:
//   tick program   one PublishRegion (the frame's seven registry writes)
//   tick floor     the same seven open/write/close triples, made directly
//   paint program  one full paint of the frame and its six buttons into an 800 x 476 memory DC
//                  (what WM_PAINT and the buttons' WM_DRAWITEM draw, without the screen)
//   paint floor    one solid fill of the same area
// and prints one line per figure:  <tick|paint> <program|floor> <microseconds>. Program and
// floor alternate within a round, which one goes first changing every round; an unprinted round
// comes first. The frame writes the capture filter's registry values as the program does.
#include <cstdio>
#include <cstdlib>

#include "capture/capture_frame.h"
#include "capture/capture_settings_store.h"
#include "framework/afx_handlemap.h"

namespace
{
constexpr int kFrameCx = 800;
constexpr int kFrameCy = 476;

double NowUs()
{
    static LARGE_INTEGER s_freq;
    if (s_freq.QuadPart == 0)
        ::QueryPerformanceFrequency(&s_freq);
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1e6 / (double)s_freq.QuadPart;
}

template <class F>
double MeanMicroseconds(int n, F f)
{
    const double t0 = NowUs();
    for (int i = 0; i < n; ++i)
        f();
    ::GdiFlush();
    return (NowUs() - t0) / n;
}

class CBenchFrame : public CScreenShareHintWnd
{
public:
    // What OnPaint and the buttons draw, into pDC instead of the window's DC.
    void PaintInto(CDC* pDC)
    {
        DrawFrame(pDC, CRect(0, 0, kFrameCx, kFrameCy));
        CImageButton* const buttons[] = { &m_btnLogo, &m_btnShowFrame, &m_btnClose,
                                          &m_btnCapture, &m_btnShrink, &m_btnEnlarge };
        for (CImageButton* pBtn : buttons)
            pBtn->CopyParentBackground(pDC);
        for (CImageButton* pBtn : buttons) {
            CRect rc;
            pBtn->GetWindowRect(&rc);
            ScreenToClient(&rc);
            HDC hdc = pDC->GetSafeHdc();
            const int nSaved = ::SaveDC(hdc);
            ::SetViewportOrgEx(hdc, rc.left, rc.top, NULL);
            DRAWITEMSTRUCT dis;
            memset(&dis, 0, sizeof dis);
            dis.CtlType = ODT_BUTTON;
            dis.CtlID = (UINT)pBtn->GetDlgCtrlID();
            dis.itemAction = ODA_DRAWENTIRE;
            dis.hwndItem = pBtn->m_hWnd;
            dis.hDC = hdc;
            dis.rcItem.right = rc.Width();
            dis.rcItem.bottom = rc.Height();
            pBtn->DrawItem(&dis);
            ::RestoreDC(hdc, nSaved);
        }
    }
};

// The tick's seven writes, each with a key opened and closed for it, as plainly as the platform
// allows: what no implementation of the tick can do without.
void FloorTick(const CString& strImage, DWORD dwX, DWORD dwY)
{
    const struct { const char* pszName; DWORD dwValue; } dwords[] = {
        { "start_x", dwX }, { "start_y", dwY }, { "capture_width", 796 }, { "capture_height", 450 }, { "show_img", 1 },
    };
    auto write = [](const char* pszName, DWORD dwType, const BYTE* pData, DWORD cb) {
        HKEY hKey = NULL;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, zelvix::kFilterKeyPath, 0, NULL, REG_OPTION_NON_VOLATILE, zelvix::kCaptureKeyAccess,
                              NULL, &hKey, NULL) == ERROR_SUCCESS) {
            ::RegSetValueExA(hKey, pszName, 0, dwType, pData, cb);
            ::RegCloseKey(hKey);
        }
    };
    for (const auto& d : dwords)
        write(d.pszName, REG_DWORD, (const BYTE*)&d.dwValue, sizeof(DWORD));
    write("img_filename", REG_SZ, (const BYTE*)(LPCSTR)strImage, (DWORD)strImage.GetLength() + 1);
    const DWORD dwSet = 1;
    write("param_set", REG_DWORD, (const BYTE*)&dwSet, sizeof dwSet);
}
} // namespace

int main(int argc, char** argv)
{
    const int nRounds = argc > 1 ? atoi(argv[1]) : 15;
    const int n = argc > 2 ? atoi(argv[2]) : 200;
    if (nRounds < 1 || n < 1) {
        fprintf(stderr, "usage: frame_bench [rounds >= 1] [repetitions >= 1]\n");
        return 2;
    }
    CBenchFrame* pFrame = new CBenchFrame;
    if (!pFrame->CreateFrame()) {
        fprintf(stderr, "frame_bench: the frame window could not be created\n");
        return 1;
    }
    pFrame->UpdateWindow();

    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = kFrameCx;
    bmi.bmiHeader.biHeight = -kFrameCy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = NULL;
    HBITMAP hDib = ::CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    CDC dcMem;
    dcMem.CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(dcMem.GetSafeHdc(), hDib);
    CBrush brFill(zelvix::kFrameStripColor);
    const CRect rcAll(0, 0, kFrameCx, kFrameCy);
    const CString strImage = GetImageFileName();

    // Round 0 warms the caches (fonts, registry, code) and is not printed.
    for (int nRound = 0; nRound <= nRounds; ++nRound) {
        const bool bFloorFirst = nRound % 2 == 0;
        auto floorTick = [&]() { return MeanMicroseconds(n, [&]() { FloorTick(strImage, 42, 66); }); };
        auto programTick = [&]() { return MeanMicroseconds(n, [&]() { pFrame->PublishRegion(); }); };
        auto floorPaint = [&]() { return MeanMicroseconds(n, [&]() { dcMem.FillRect(&rcAll, &brFill); }); };
        auto programPaint = [&]() { return MeanMicroseconds(n, [&]() { pFrame->PaintInto(&dcMem); }); };
        double tick[2] = {}, paint[2] = {};  // [0] floor, [1] program
        if (bFloorFirst) {
            tick[0] = floorTick();
            tick[1] = programTick();
            paint[0] = floorPaint();
            paint[1] = programPaint();
        } else {
            tick[1] = programTick();
            tick[0] = floorTick();
            paint[1] = programPaint();
            paint[0] = floorPaint();
        }
        AfxPurgeTempMaps();  // what the program's message loop does when it goes idle
        if (nRound > 0) {
            printf("tick program %.2f\ntick floor %.2f\n", tick[1], tick[0]);
            printf("paint program %.2f\npaint floor %.2f\n", paint[1], paint[0]);
            fflush(stdout);
        }
    }

    ::SelectObject(dcMem.GetSafeHdc(), hOld);
    ::DeleteObject(hDib);
    delete pFrame;
    return 0;
}
