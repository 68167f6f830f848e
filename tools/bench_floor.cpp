// bench_floor.cpp - the floor the program's start-up and memory are measured against: the least a
// Windows program must do to show a window like the capture frame. One topmost tool window of the
// frame's place and size, painted once in the frame's strip colour, and a message loop; nothing
// else. Built and linked like the program (static runtime, GUI subsystem), started by bench_start.
//   bench_floor            the bare window
//   bench_floor commctrl   the same after loading the common controls and InitCommonControlsEx
//                          with the program's classes, to show what that part of the platform
//                          costs by itself (loaded at run time, so the bare floor never has it)
#include <windows.h>
#include <commctrl.h>

#include <cstring>

namespace
{
const COLORREF STRIP_COLOR = RGB(57, 174, 255);  // what bench_start watches for on the screen

LRESULT CALLBACK FloorWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hWnd, &ps);
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        HBRUSH hBrush = ::CreateSolidBrush(STRIP_COLOR);
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

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR lpCmdLine, int /*nCmdShow*/)
{
    if (lpCmdLine != NULL && strstr(lpCmdLine, "commctrl") != NULL) {
        typedef BOOL(WINAPI * PFN_INIT)(const INITCOMMONCONTROLSEX*);
        HMODULE hComCtl = ::LoadLibraryA("comctl32.dll");
        PFN_INIT pfnInit = hComCtl != NULL ? reinterpret_cast<PFN_INIT>(reinterpret_cast<void (*)()>(
                                                 ::GetProcAddress(hComCtl, "InitCommonControlsEx")))
                                           : NULL;
        INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
        if (pfnInit == NULL || !pfnInit(&icc))
            return 1;
    }
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
