// frame_bench.cpp - times the capture frame's tick and its paint (run by hand under Wine):
//   scripts/wine-exec build/x64/tools/frame_bench.exe [repetitions]
// Prints the mean time of one PublishRegion (seven registry writes), one DrawFrame into an
// 800 x 476 memory DC, and one full WM_PAINT of the frame window (InvalidateRect + UpdateWindow,
// buttons included). It writes the capture filter's registry values like the program does.
#include <cstdio>
#include <cstdlib>

#include "../capture/capture_frame.h"

namespace
{
double Now()
{
    static LARGE_INTEGER s_freq;
    if (s_freq.QuadPart == 0)
        ::QueryPerformanceFrequency(&s_freq);
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)s_freq.QuadPart;
}

template <class F>
double MeanMicroseconds(int n, F f)
{
    const double t0 = Now();
    for (int i = 0; i < n; ++i)
        f();
    return (Now() - t0) * 1e6 / n;
}
} // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? atoi(argv[1]) : 1000;
    CScreenShareHintWnd* pFrame = new CScreenShareHintWnd;
    if (!pFrame->CreateFrame()) {
        fprintf(stderr, "frame_bench: the frame window could not be created\n");
        return 1;
    }
    pFrame->UpdateWindow();

    const double tTick = MeanMicroseconds(n, [&]() { pFrame->PublishRegion(); });

    CClientDC dcScreen(NULL);
    CDC dcMem;
    dcMem.CreateCompatibleDC(&dcScreen);
    CBitmap bmp;
    bmp.CreateCompatibleBitmap(&dcScreen, 800, 476);
    CBitmap* pOld = dcMem.SelectObject(&bmp);
    const CRect rc(0, 0, 800, 476);
    const double tDraw = MeanMicroseconds(n, [&]() { pFrame->DrawFrame(&dcMem, rc); });
    ::GdiFlush();
    dcMem.SelectObject(pOld);

    const double tPaint = MeanMicroseconds(n, [&]() {
        pFrame->InvalidateRect(NULL, TRUE);
        pFrame->UpdateWindow();
    });

    printf("repetitions: %d\n", n);
    printf("PublishRegion (one tick):            %9.1f us\n", tTick);
    printf("DrawFrame into a memory DC:          %9.1f us\n", tDraw);
    printf("WM_PAINT (InvalidateRect+UpdateWindow): %6.1f us\n", tPaint);
    delete pFrame;
    return 0;
}
