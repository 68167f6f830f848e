// test_image_button_support.h - shared fixtures of the image button tests.
//
//   MakeScreenBitmap  screen-compatible bitmap (as LoadImage gives for a resource) from a function
//   CTestButton       CImageButton with its state opened up; records the pressed state of its paints
//   CTestParent       parent window that logs the commands its command map is asked for
//   PumpMessages, PostClick   message loop turns that pre-translate like the program's loop
#ifndef ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H
#define ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H

#include <vector>

#include "../../controls/button/image_button.h"
#include "dib_surface.h"

namespace imgbtn_test
{
using namespace zelvix_test;

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

inline HBITMAP MakeScreenBitmap(int cx, int cy, const ColorFn& fn)
{
    DibSurface source(cx, cy, fn);
    HDC hScreen = ::GetDC(NULL), hDC = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, cx, cy);
    HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
    ::BitBlt(hDC, 0, 0, cx, cy, source.hdc(), 0, 0, SRCCOPY);
    ::SelectObject(hDC, hOld);
    ::DeleteDC(hDC);
    ::ReleaseDC(NULL, hScreen);
    return hBitmap;
}

inline bool IsGone(HGDIOBJ h) { return h != NULL && ::GetObjectType(h) == 0; }

class CTestButton : public CImageButton
{
public:
    using CImageButton::m_arrColors, CImageButton::m_bMenuShowing, CImageButton::m_bmpParentCopy,
        CImageButton::m_dcParentCopy, CImageButton::m_dropMenu, CImageButton::m_hCommandTarget;

    std::vector<BOOL> m_drawPressed;  // of each paint the platform asked for

    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
    {
        CImageButton::DrawItem(lpDrawItemStruct);
        m_drawPressed.push_back(m_bPaintPressed);
    }
    void DrawInto(DibSurface& surface, UINT nState)  // as an owner-draw request would
    {
        DRAWITEMSTRUCT dis = { ODT_BUTTON, 0, 0, 0, nState, m_hWnd, surface.hdc(), {}, 0 };
        ::GetClientRect(m_hWnd, &dis.rcItem);
        CImageButton::DrawItem(&dis);
    }
};

class CTestParent : public CWnd
{
public:
    std::vector<UINT> m_commands;   // MAKELONG(id, code)
    HWND m_hFocusAtHandler = NULL;  // when the last one was routed

    BOOL CreateParent(int x, int y, int cx, int cy)
    {
        // Shown without activation: with no window manager Wine takes two seconds to hide an
        // active window.
        return CreateEx(0, AfxRegisterWndClass(0), "test", WS_POPUP, x, y, cx, cy, NULL, NULL) &&
               SetWindowPos(NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    // Where the map's handlers run: after the control's own (reflected) handling.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
    {
        m_commands.push_back(MAKELONG(nID, nCode));
        m_hFocusAtHandler = ::GetFocus();
        return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
    }
};

inline void PumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (!CWnd::WalkPreTranslateTree(NULL, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

inline void PostClick(HWND hWnd, UINT nDown = WM_LBUTTONDOWN)
{
    ::PostMessageA(hWnd, nDown, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

} // namespace imgbtn_test

#endif // ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H
