// button_parent.h - what the image button's tests put around a button: a parent window and message
// loop turns.
#ifndef ZELVIX_TEST_BUTTON_PARENT_H
#define ZELVIX_TEST_BUTTON_PARENT_H

#include <vector>

#include "controls/button/image_button.h"

namespace zelvix_test
{
// A parent that logs the commands its command map is asked for, after the control's own
// (reflected) handling, and where the focus was then.
class CTestParent : public CWnd
{
public:
    std::vector<UINT> m_commands;
    HWND m_hFocusAtHandler = NULL;

    BOOL CreateParent(int x, int y, int cx, int cy)
    {
        // Shown without activation: with no window manager Wine takes two seconds to hide an
        // active window.
        return CreateEx(0, AfxRegisterWndClass(0), "test", WS_POPUP, x, y, cx, cy, NULL, NULL)
            && SetWindowPos(NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override
    {
        m_commands.push_back(MAKELONG(nID, nCode));
        m_hFocusAtHandler = ::GetFocus();
        return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
    }
};

// Message loop turns that pre-translate like the program's loop.
inline void PumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        if (!CWnd::WalkPreTranslateTree(NULL, &msg))
            ::DispatchMessageA(&msg);
}
inline void PostClick(HWND hWnd, UINT nDown = WM_LBUTTONDOWN)
{
    ::PostMessageA(hWnd, nDown, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

} // namespace zelvix_test

#endif // ZELVIX_TEST_BUTTON_PARENT_H
