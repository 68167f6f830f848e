// afx_wnd.h - CCmdTarget and CWnd: window objects bound to platform windows.
//
// Covers:
// - Handle maps: FromHandle gives the attached object, or a temporary CWnd that stays the
//   same object for the same window as long as the window exists; FromHandlePermanent gives
//   only attached objects. Attach/Detach, SubclassWindow/UnsubclassWindow.
// - Creation: Create/CreateEx attach the object before the window's first message (a
//   creation hook), so WM_NCCREATE and WM_CREATE already reach the message map, and run
//   PreSubclassWindow before any handler. The previous window procedure (the class's own,
//   e.g. BUTTON's) stays reachable through DefWindowProc and Default().
// - Dispatch: WindowProc -> OnWndMsg looks the message up in the class's message map chain
//   (derived first, then each base) and falls back to DefWindowProc. Default() passes the
//   message being handled on to DefWindowProc, and stays right when handlers nest.
//   WM_COMMAND goes to OnCommand: first reflected to the sending control (as
//   WM_REFLECT_BASE + WM_COMMAND), then to ON_COMMAND entries. WM_CTLCOLOR* and WM_DRAWITEM,
//   WM_MEASUREITEM for controls are reflected to the control (OnChildNotify); WM_DRAWITEM for
//   a menu item goes to the CMenu attached to the item's menu; WM_MEASUREITEM for a menu item
//   goes to the CMenu attached to the menu holding the item (matched by id and item data)
//   inside the pop-up this window tracks with CMenu::TrackPopupMenu, else inside its menu bar.
// - PreTranslateMessage (default FALSE) and WalkPreTranslateTree, from a message's window up
//   through its parents.
// - OnSysColorChange of a top-level window passes the change on to all its descendants.
// - OnNcDestroy detaches the object, clears the thread's main-window pointer when it names
//   this window, then calls PostNcDestroy.
// - No C++ exception leaves the window procedure: one that escapes a handler ends that
//   message with the default result.
// - The usual thin wrappers (ShowWindow, MoveWindow, SetWindowPos, Get/ScreenToClient,
//   InvalidateRect, timers, styles, focus, placement, text, SendMessage/PostMessage, ...).
//   Calling a wrapper on an object without a window does nothing and returns 0/FALSE.
#ifndef ZELVIX_AFX_WND_H
#define ZELVIX_AFX_WND_H

#include "framework/afx.h"
#include "framework/afx_gdi.h"
#include "framework/afx_msgmap.h"

class CMenu;
class CWnd;

class CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() {}

    // Routes a command (nCode, nID) through the message map; TRUE when a handler took it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

    DECLARE_MESSAGE_MAP()
};

inline HWND AfxGetSafeHwnd(const CWnd* pWnd);

class CWnd : public CCmdTarget
{
    DECLARE_DYNAMIC(CWnd)
public:
// Data members
    HWND m_hWnd;

// Construction
    CWnd();
    virtual ~CWnd();

    static CWnd* PASCAL FromHandle(HWND hWnd);
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = NULL);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName,
                          DWORD dwStyle, int x, int y, int nWidth, int nHeight,
                          HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = NULL);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName,
                          DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                          LPVOID lpParam = NULL);
    virtual BOOL DestroyWindow();

// Attributes
    operator HWND() const { return m_hWnd; }
    // Unlike the framework, not through a null pointer; use AfxGetSafeHwnd(p) for that.
    HWND GetSafeHwnd() const { return m_hWnd; }
    DWORD GetStyle() const { return (DWORD)::GetWindowLongA(m_hWnd, GWL_STYLE); }
    DWORD GetExStyle() const { return (DWORD)::GetWindowLongA(m_hWnd, GWL_EXSTYLE); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* GetParent() const;
    CWnd* GetOwner() const;
    CWnd* GetTopLevelParent() const;
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsChild(const CWnd* pWnd) const { return ::IsChild(m_hWnd, AfxGetSafeHwnd(pWnd)); }
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const;
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl);
    CMenu* GetMenu() const;
    CMenu* GetSystemMenu(BOOL bRevert) const;

// Size and position
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);

// Operations
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow() { if (m_hWnd != NULL) ::UpdateWindow(m_hWnd); }
    CWnd* SetFocus();
    static CWnd* PASCAL GetFocus();
    static CWnd* PASCAL GetActiveWindow();
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sends the message to every child window (bDeep: and their children, depth first);
    // bOnlyPerm: only to windows bound to a framework object.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE,
                                  BOOL bOnlyPerm = FALSE);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);
    void CenterWindow(CWnd* pAlternateOwner = NULL);

// Overridables
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    virtual void PreSubclassWindow();
    virtual void PostNcDestroy();

    // Hands the message now being handled on to DefWindowProc.
    LRESULT Default();

    // Offers pMsg to PreTranslateMessage of its window and each parent up to hWndStop.
    static BOOL PASCAL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);

// Message handlers: each passes the message on to the default handling.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnNcDestroy();
    void OnClose();
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnNcHitTest(CPoint point);
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int x, int y);
    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnKillFocus(CWnd* pNewWnd);
    void OnSetFocus(CWnd* pOldWnd);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnMouseLeave();
    void OnSysColorChange();
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnEnable(BOOL bEnable);
    void OnCancelMode();
    UINT OnGetDlgCode();
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);

protected:
    // The window procedure the platform window had before it was bound to this object.
    WNDPROC m_pfnSuper;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);
    friend class CDialog;

    DECLARE_MESSAGE_MAP()
};

inline HWND AfxGetSafeHwnd(const CWnd* pWnd) { return pWnd != NULL ? pWnd->m_hWnd : NULL; }

// The window procedure of every window bound to a CWnd.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Sends one message to the object, keeping the message being handled for Default().
LRESULT AFXAPI AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// Binds the next window created on this thread to pWnd (the creation hook); AfxUnhookWindowCreate
// ends it. Used by CWnd::CreateEx and CDialog.
void AFXAPI AfxHookWindowCreate(CWnd* pWnd);
BOOL AFXAPI AfxUnhookWindowCreate();

// Registers (once) a window class with these attributes and returns its name; the name
// stays valid for the life of the process.
LPCSTR AFXAPI AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = 0, HBRUSH hbrBackground = 0,
                                  HICON hIcon = 0);

#endif // ZELVIX_AFX_WND_H
