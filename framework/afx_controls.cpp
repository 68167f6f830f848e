// afx_controls.cpp - CButton, CToolTipCtrl and the deferred registration of the common controls.
#include "framework/afx_controls.h"

#include "framework/afx_app.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT /*lpDrawItemStruct*/)
{
    // An owner-drawn button class provides its own drawing.
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message != WM_DRAWITEM)
        return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem((LPDRAWITEMSTRUCT)lParam);
    if (pResult != NULL)
        *pResult = TRUE;
    return TRUE;
}

BOOL AFXAPI AfxDeferRegisterClass(LONG fToRegister)
{
    static LONG s_fRegistered = 0;
    if ((fToRegister & ~s_fRegistered & AFX_WNDCOMMCTLS_REG) != 0) {
        typedef BOOL(WINAPI * PFN_INITCOMMONCONTROLSEX)(const INITCOMMONCONTROLSEX*);
        // Kept loaded for the rest of the run: the classes and every control made of them live in it.
        static PFN_INITCOMMONCONTROLSEX s_pfnInit = NULL;
        INITCOMMONCONTROLSEX icc;
        icc.dwSize = sizeof(icc);
        icc.dwICC = ICC_WIN95_CLASSES;
        if (AfxGetSysProc(&s_pfnInit, "comctl32.dll", "InitCommonControlsEx") && s_pfnInit(&icc))
            s_fRegistered |= AFX_WNDCOMMCTLS_REG;
    }
    return (fToRegister & ~s_fRegistered) == 0;
}

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    if (!AfxDeferRegisterClass(AFX_WNDCOMMCTLS_REG))
        return FALSE;
    return CWnd::CreateEx(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, NULL, WS_POPUP | dwStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, AfxGetSafeHwnd(pParentWnd), NULL, NULL);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool)
{
    TOOLINFOA ti;
    memset(&ti, 0, sizeof(ti));
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = AfxGetSafeHwnd(pWnd);
    ti.uFlags = lpRectTool == NULL ? (TTF_IDISHWND | TTF_SUBCLASS) : TTF_SUBCLASS;
    ti.uId = lpRectTool == NULL ? (UINT_PTR)ti.hwnd : nIDTool;
    if (lpRectTool != NULL)
        ti.rect = *lpRectTool;
    ti.lpszText = (LPSTR)lpszText;
    return (BOOL)::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, (LPARAM)&ti);
}

void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool)
{
    TOOLINFOA ti;
    memset(&ti, 0, sizeof(ti));
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = AfxGetSafeHwnd(pWnd);
    ti.uFlags = nIDTool == 0 ? TTF_IDISHWND : 0;
    ti.uId = nIDTool == 0 ? (UINT_PTR)ti.hwnd : nIDTool;
    ti.lpszText = (LPSTR)lpszText;
    ::SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, (LPARAM)&ti);
}
