// afx_controls.h - control wrappers (CButton, CToolTipCtrl); common controls registered on first use.
//
// CButton: Create (the platform's BUTTON class; WS_CHILD is always added), the check and
// state messages, and the owner-draw hook DrawItem, which the button reaches through
// reflection of its parent's WM_DRAWITEM. The window is subclassed at creation, so
// PreSubclassWindow runs before any handler and DefWindowProc/Default() reach the BUTTON
// class's own procedure.
// CToolTipCtrl: Create (a TOOLTIPS_CLASS pop-up owned by the parent), Activate, RelayEvent,
// SetMaxTipWidth, AddTool, UpdateTipText, GetToolCount.
// AfxDeferRegisterClass: the common controls are registered when the first of them is created
// (CToolTipCtrl::Create), not at start-up; their library is loaded then, from the system
// directory, and never imported, so a program that creates none never maps it.
#ifndef ZELVIX_AFX_CONTROLS_H
#define ZELVIX_AFX_CONTROLS_H

#include "framework/afx_wnd.h"

#include <commctrl.h>

// Window-class groups registered on first use. The common controls are the one group this layer
// defers: AfxRegisterWndClass registers its own classes, and the platform the standard ones.
#define AFX_WNDCOMMCTLS_REG 0x00010  // InitCommonControlsEx with ICC_WIN95_CLASSES

// Registers the groups not yet registered in this process; TRUE when all of fToRegister are.
// A group that failed (its library missing) is tried again on the next call.
BOOL AFXAPI AfxDeferRegisterClass(LONG fToRegister);

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
// Construction
    CButton() {}
    virtual BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

// Attributes
    UINT GetState() const { return (UINT)::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0); }
    void SetState(BOOL bHighlight) { ::SendMessageA(m_hWnd, BM_SETSTATE, bHighlight, 0); }
    int GetCheck() const { return (int)::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0); }
    void SetCheck(int nCheck) { ::SendMessageA(m_hWnd, BM_SETCHECK, nCheck, 0); }
    UINT GetButtonStyle() const { return (UINT)GetStyle() & 0xFFFF; }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE)
    {
        ::SendMessageA(m_hWnd, BM_SETSTYLE, nStyle, (LPARAM)bRedraw);
    }

// Overridables
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

class CToolTipCtrl : public CWnd
{
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
// Construction
    CToolTipCtrl() {}
    // Registers the common controls first (AfxDeferRegisterClass); FALSE when they or the
    // window cannot be made.
    virtual BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);

// Attributes
    int GetToolCount() const { return (int)::SendMessageA(m_hWnd, TTM_GETTOOLCOUNT, 0, 0); }

// Operations
    void Activate(BOOL bActivate) { ::SendMessageA(m_hWnd, TTM_ACTIVATE, bActivate, 0); }
    void RelayEvent(LPMSG lpMsg) { ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, (LPARAM)lpMsg); }
    int SetMaxTipWidth(int iWidth) { return (int)::SendMessageA(m_hWnd, TTM_SETMAXTIPWIDTH, 0, iWidth); }
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool = NULL, UINT_PTR nIDTool = 0);
    void UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
};

#endif // ZELVIX_AFX_CONTROLS_H
