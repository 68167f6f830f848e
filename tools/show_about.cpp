// show_about: opens the About box of the running program, as its system menu would, and prints the
// box's screen rectangle ("x y width height") once it is painted. Used by 'make screenshot'.
//   show_about    exits 1 if no program window or no About box appears within 20 s
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "res/resource.h"

namespace {

constexpr char kHostCaption[] = "ZELVIX直播伴侣";
constexpr char kAboutCaption[] = "关于";

// A dialog (#32770) with this caption, in any process.
HWND FindDialog(const char* pszCaption, bool bVisible)
{
    for (HWND h = ::FindWindowExA(NULL, NULL, "#32770", pszCaption); h != NULL;
         h = ::FindWindowExA(NULL, h, "#32770", pszCaption))
        if (!bVisible || ::IsWindowVisible(h))
            return h;
    return NULL;
}

HWND WaitFor(const char* pszCaption, bool bVisible)
{
    for (int i = 0; i < 200; ++i, ::Sleep(100))
        if (HWND h = FindDialog(pszCaption, bVisible))
            return h;
    return NULL;
}

} // namespace

int main()
{
    HWND hHost = WaitFor(kHostCaption, false);
    if (hHost == NULL) {
        fprintf(stderr, "show_about: no host dialog\n");
        return 1;
    }
    ::PostMessageA(hHost, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hAbout = WaitFor(kAboutCaption, true);
    if (hAbout == NULL) {
        fprintf(stderr, "show_about: no About box\n");
        return 1;
    }
    ::RedrawWindow(hAbout, NULL, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(300);   // the box paints in the program's own thread
    RECT rc;
    ::GetWindowRect(hAbout, &rc);
    printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    return 0;
}
