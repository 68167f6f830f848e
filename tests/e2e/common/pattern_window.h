// pattern_window.h - CPatternWindow: a known picture over the whole screen, under whatever the
// program shows, so that a grab or a picture on the screen can be compared pixel by pixel.
// A plain (not topmost) window on a thread of its own, so that it repaints while the test waits.
#ifndef ZELVIX_E2E_PATTERN_WINDOW_H
#define ZELVIX_E2E_PATTERN_WINDOW_H

#include "common/observe.h"

class CPatternWindow
{
public:
    typedef COLORREF (*PatternFn)(int x, int y);
    explicit CPatternWindow(PatternFn pfnAt) : m_pfnAt(pfnAt), m_hThread(::CreateThread(NULL, 0, Run, this, 0, &m_dwThread)) {}
    ~CPatternWindow()
    {
        ::PostThreadMessageA(m_dwThread, WM_QUIT, 0, 0);
        ::WaitForSingleObject(m_hThread, 5000);
        ::CloseHandle(m_hThread);
    }
    CPatternWindow(const CPatternWindow&) = delete;
    CPatternWindow& operator=(const CPatternWindow&) = delete;
    bool IsShown() const { return WaitStable(5000, [this] { return CScreenShot().At(1500, 900) == m_pfnAt(1500, 900); }); }

private:
    static DWORD WINAPI Run(LPVOID pv)
    {
        const PatternFn pfnAt = ((CPatternWindow*)pv)->m_pfnAt;
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        std::vector<DWORD> bits((size_t)cx * cy);
        for (int i = 0; i < cx * cy; ++i) {
            const COLORREF cr = pfnAt(i % cx, i / cx);
            bits[i] = (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr);   // 0x00RRGGBB
        }
        HBITMAP hBitmap = ::CreateBitmap(cx, cy, 1, 32, bits.data());
        HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BITMAP, 0, 0, cx, cy,
                                      NULL, NULL, NULL, NULL);
        ::SendMessageA(hWnd, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)hBitmap);
        MSG msg;
        while (::GetMessageA(&msg, NULL, 0, 0) > 0)
            ::DispatchMessageA(&msg);
        ::DestroyWindow(hWnd);
        ::DeleteObject(hBitmap);
        return 0;
    }
    PatternFn m_pfnAt;
    DWORD m_dwThread = 0;
    HANDLE m_hThread;
};

#endif // ZELVIX_E2E_PATTERN_WINDOW_H
