// show_pattern: a test card over the whole screen, under the program's topmost frame, until it is
// ended. Used by 'make screenshot', so that the doctor's window has a picture to show: colour bars
// 100 pixels wide, with a grey ramp across every 400th band of 120 rows.
#include <windows.h>

#include <vector>

namespace {

DWORD CardAt(int x, int y)   // 0x00RRGGBB
{
    static const DWORD s_bars[] = {0xC0C0C0, 0xC0C000, 0x00C0C0, 0x00C000, 0xC000C0, 0xC00000, 0x0000C0, 0x101010};
    if (y % 400 >= 280) {
        const DWORD grey = (DWORD)(x % 256);
        return (grey << 16) | (grey << 8) | grey;
    }
    return s_bars[(x / 100) % 8];
}

} // namespace

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR /*pszCmdLine*/, int /*nCmdShow*/)
{
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    std::vector<DWORD> bits((size_t)cx * cy);
    for (int i = 0; i < cx * cy; ++i)
        bits[i] = CardAt(i % cx, i / cx);
    HBITMAP hBitmap = ::CreateBitmap(cx, cy, 1, 32, bits.data());
    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BITMAP, 0, 0, cx, cy, NULL,
                                  NULL, NULL, NULL);
    ::SendMessageA(hWnd, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)hBitmap);
    MSG msg;
    while (::GetMessageA(&msg, NULL, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    ::DestroyWindow(hWnd);
    ::DeleteObject(hBitmap);
    return 0;
}
