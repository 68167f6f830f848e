// bench_floor.cpp - the floor the program's start-up, memory and idle CPU are measured against:
// the least a Windows program must do to show a window like the capture frame. One topmost tool
// window of the frame's place and size, painted once in the frame's strip colour, and a message
// loop; nothing else. Built and linked like the program (static runtime, GUI subsystem), started
// by bench_start and by scripts/run-bench.
#include <windows.h>

#include "capture/frame_geometry.h"

namespace
{
constexpr COLORREF kStripColor = zelvix::kFrameStripColor;  // what bench_start watches for on the screen

LRESULT CALLBACK FloorWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hWnd, &ps);
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        HBRUSH hBrush = ::CreateSolidBrush(kStripColor);
        ::FillRect(hdc, &rc, hBrush);
        ::DeleteObject(hBrush);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int /*nCmdShow*/)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorWndProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ZelvixBenchFloor";
    if (!::RegisterClassA(&wc))
        return 1;
    HWND hWnd = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, NULL, WS_POPUP | WS_VISIBLE,
                                  40, 40, 800, 476, NULL, NULL, hInstance, NULL);
    if (hWnd == NULL)
        return 1;
    MSG msg;
    while (::GetMessageA(&msg, NULL, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
