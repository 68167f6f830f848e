// afx_wnd.cpp - CCmdTarget, CWnd, the window procedure and message-map dispatch.
#include "framework/afx_wnd.h"

#include <cstdio>
#include <string>
#include <vector>

#include "framework/afx_app.h"
#include "framework/afx_handlemap.h"
#include "framework/afx_menu.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

/////////////////////////////////////////////////////////////////////////////
// Thread state: one user-interface thread, so plain statics.

namespace
{
// The message being handled, for Default(); saved and restored around each nested call.
MSG g_lastSentMsg;

// The object waiting to be bound to the next window created (the creation hook).
CWnd* g_pWndInit = NULL;
HHOOK g_hHookOldCbtFilter = NULL;

CHandleMap<HWND, CWnd>& WndMap()
{
    static CHandleMap<HWND, CWnd> s_map([](CWnd* p) {
        p->m_hWnd = NULL;
        delete p;
    });
    return s_map;
}
} // namespace

void AfxPurgeGdiTempMaps();
void AfxPurgeMenuTempMaps();

void AFXAPI AfxPurgeTempMaps()
{
    // Window wrappers stay while their window lives, so FromHandle keeps giving the same
    // object for it; only wrappers of windows that are gone are freed.
    WndMap().PurgeTemporary([](HWND h) { return !::IsWindow(h); });
    AfxPurgeGdiTempMaps();
    AfxPurgeMenuTempMaps();
}

/////////////////////////////////////////////////////////////////////////////
// CCmdTarget

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY _messageEntries[] = { { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 } };
    static const AFX_MSGMAP messageMap = { NULL, &_messageEntries[0] };
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* /*pExtra*/, void* /*pHandlerInfo*/)
{
    // Plain commands only (notification code in nCode): ON_COMMAND matches code 0, which is
    // also BN_CLICKED, as in the framework.
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != NULL;
         pMap = pMap->pfnGetBaseMap != NULL ? pMap->pfnGetBaseMap() : NULL) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != WM_COMMAND || e->nCode != (UINT)nCode || nID < e->nID || nID > e->nLastID)
                continue;
            if (e->nSig == AfxSig_cmd_v)
                (this->*AfxPmsgTo<void (CCmdTarget::*)()>(e->pfn))();
            else
                (this->*AfxPmsgTo<void (CCmdTarget::*)(UINT)>(e->pfn))(nID);
            return TRUE;
        }
    }
    return FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// CWnd's own map: the handlers whose default does more than pass the message on.

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_NCDESTROY()
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_SYSCOLORCHANGE()
END_MESSAGE_MAP()

/////////////////////////////////////////////////////////////////////////////
// The window procedure

LRESULT AFXAPI AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    const MSG oldState = g_lastSentMsg;
    g_lastSentMsg.hwnd = hWnd;
    g_lastSentMsg.message = nMsg;
    g_lastSentMsg.wParam = wParam;
    g_lastSentMsg.lParam = lParam;

    LRESULT lResult = 0;
    try {
        lResult = pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (CException* e) {
        // No exception may unwind into the platform: the message ends here.
        lResult = (nMsg == WM_CREATE) ? -1 : 0;
        e->Delete();
    } catch (...) {
        lResult = (nMsg == WM_CREATE) ? -1 : 0;
    }

    g_lastSentMsg = oldState;
    return lResult;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == NULL)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

/////////////////////////////////////////////////////////////////////////////
// The creation hook: the object is attached and the window subclassed before its first
// message (WM_GETMINMAXINFO / WM_NCCREATE) arrives.

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HCBT_CREATEWND || g_pWndInit == NULL)
        return ::CallNextHookEx(g_hHookOldCbtFilter, code, wParam, lParam);

    HWND hWnd = (HWND)wParam;
    CWnd* pWndInit = g_pWndInit;
    g_pWndInit = NULL;

    pWndInit->Attach(hWnd);
    pWndInit->PreSubclassWindow();
    WNDPROC oldWndProc = (WNDPROC)::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)&AfxWndProc);
    if (oldWndProc != &AfxWndProc)
        pWndInit->m_pfnSuper = oldWndProc;

    return ::CallNextHookEx(g_hHookOldCbtFilter, code, wParam, lParam);
}

void AFXAPI AfxHookWindowCreate(CWnd* pWnd)
{
    if (g_hHookOldCbtFilter == NULL)
        g_hHookOldCbtFilter = ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, NULL, ::GetCurrentThreadId());
    g_pWndInit = pWnd;
}

BOOL AFXAPI AfxUnhookWindowCreate()
{
    if (g_hHookOldCbtFilter != NULL) {
        ::UnhookWindowsHookEx(g_hHookOldCbtFilter);
        g_hHookOldCbtFilter = NULL;
    }
    if (g_pWndInit != NULL) {
        g_pWndInit = NULL;
        return FALSE;  // the window was never created
    }
    return TRUE;
}

LPCSTR AFXAPI AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    // One name per attribute set; the names are kept for the whole run because the caller
    // holds on to the pointer.
    static std::vector<std::string>* s_pNames = new std::vector<std::string>;
    char szName[96];
    HINSTANCE hInst = AfxGetInstanceHandle();
    snprintf(szName, sizeof(szName), "Afx:%p:%x:%p:%p:%p", (void*)hInst, nClassStyle, (void*)hCursor,
             (void*)hbrBackground, (void*)hIcon);
    for (const std::string& s : *s_pNames) {
        if (s == szName)
            return s.c_str();
    }

    WNDCLASSA wc;
    memset(&wc, 0, sizeof(wc));
    if (!::GetClassInfoA(hInst, szName, &wc)) {
        wc.style = nClassStyle;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = hInst;
        wc.hIcon = hIcon;
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.lpszClassName = szName;
        if (!::RegisterClassA(&wc))
            return NULL;
    }
    s_pNames->push_back(szName);
    return s_pNames->back().c_str();
}

/////////////////////////////////////////////////////////////////////////////
// CWnd construction and handle maps

CWnd::CWnd() : m_hWnd(NULL), m_pfnSuper(NULL) {}

CWnd::~CWnd()
{
    // The thread must not keep pointing at an object that is gone.
    CWinThread* pThread = AfxGetThread();
    if (pThread != NULL && pThread->m_pMainWnd == this)
        pThread->m_pMainWnd = NULL;
    if (m_hWnd != NULL && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    // A handle value can come back for a new window after its old one went away: the old
    // wrapper is not reused for it.
    if (hWnd != NULL && WndMap().LookupTemporary(hWnd) != NULL && !::IsWindow(hWnd))
        WndMap().DropTemporary(hWnd);
    return WndMap().FromHandle(hWnd, [](HWND h) {
        CWnd* p = new CWnd;
        p->m_hWnd = h;
        return p;
    });
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd == NULL ? NULL : WndMap().LookupPermanent(hWnd);
}

BOOL CWnd::Attach(HWND hWndNew)
{
    ASSERT(m_hWnd == NULL);
    if (hWndNew == NULL)
        return FALSE;
    m_hWnd = hWndNew;
    WndMap().AttachPermanent(hWndNew, this);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != NULL)
        WndMap().RemoveHandle(hWnd);
    m_hWnd = NULL;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    WNDPROC oldWndProc = (WNDPROC)::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)&AfxWndProc);
    if (oldWndProc != &AfxWndProc)
        m_pfnSuper = oldWndProc;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = ::GetDlgItem(AfxGetSafeHwnd(pParent), (int)nID);
    return hWndControl != NULL && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper != NULL)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    m_pfnSuper = NULL;
    return Detach();
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    // A window created this way is a child window.
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, AfxGetSafeHwnd(pParentWnd),
                    (HMENU)(UINT_PTR)nID, lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    CREATESTRUCTA cs;
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = (LONG)dwStyle;
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }

    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, (DWORD)cs.style, cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    AfxUnhookWindowCreate();

    if (hWnd == NULL) {
        // The hook may have attached the object to a window that failed during creation.
        if (m_hWnd != NULL)
            Detach();
        return FALSE;
    }
    ASSERT(hWnd == m_hWnd);
    return TRUE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& /*cs*/)
{
    return TRUE;
}

void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == NULL)
        return FALSE;
    const BOOL bPermanent = FromHandlePermanent(m_hWnd) == this;
    HWND hWnd = m_hWnd;
    const BOOL bResult = ::DestroyWindow(hWnd);
    // A window that was never subclassed gets no WM_NCDESTROY here: detach it ourselves.
    if (bPermanent && m_hWnd == hWnd && !::IsWindow(hWnd))
        Detach();
    return bResult;
}

/////////////////////////////////////////////////////////////////////////////
// Dispatch

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != NULL)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(g_lastSentMsg.message, g_lastSentMsg.wParam, g_lastSentMsg.lParam);
}

static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT message, UINT nCode)
{
    for (; pMap != NULL; pMap = pMap->pfnGetBaseMap != NULL ? pMap->pfnGetBaseMap() : NULL) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage == message && (e->nCode == nCode || message != WM_REFLECT_BASE + WM_COMMAND))
                return e;
        }
    }
    return NULL;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT lResult = 0;

    // Messages the framework routes before the map.
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 1;
        return TRUE;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        // Offer the colour query to the control itself (reflected as WM_CTLCOLOR).
        CWnd* pChild = FromHandlePermanent((HWND)lParam);
        if (pChild != NULL && pChild->OnChildNotify(message, wParam, lParam, pResult))
            return TRUE;
    }
    if (message == WM_DRAWITEM || message == WM_MEASUREITEM) {
        // Owner-drawn controls draw and measure themselves.
        HWND hWndCtrl = NULL;
        if (message == WM_DRAWITEM) {
            const DRAWITEMSTRUCT* pDis = (const DRAWITEMSTRUCT*)lParam;
            if (pDis->CtlType != ODT_MENU)
                hWndCtrl = pDis->hwndItem;
        } else if (wParam != 0) {
            hWndCtrl = ::GetDlgItem(m_hWnd, (int)wParam);
        }
        CWnd* pChild = FromHandlePermanent(hWndCtrl);
        if (pChild != NULL && pChild->OnChildNotify(message, wParam, lParam, pResult))
            return TRUE;
    }

    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), message, 0);
    if (e == NULL)
        return FALSE;

    const AFX_PMSG pfn = e->pfn;
    switch (e->nSig) {
    case AfxSig_v_v:
        (this->*AfxPmsgTo<void (CWnd::*)()>(pfn))();
        break;
    case AfxSig_b_v:
        lResult = (this->*AfxPmsgTo<BOOL (CWnd::*)()>(pfn))();
        break;
    case AfxSig_i_CREATE:
        lResult = (this->*AfxPmsgTo<int (CWnd::*)(LPCREATESTRUCT)>(pfn))((LPCREATESTRUCT)lParam);
        break;
    case AfxSig_b_D:
        lResult = (this->*AfxPmsgTo<BOOL (CWnd::*)(CDC*)>(pfn))(CDC::FromHandle((HDC)wParam));
        break;
    case AfxSig_v_TIMER:
        (this->*AfxPmsgTo<void (CWnd::*)(UINT_PTR)>(pfn))((UINT_PTR)wParam);
        break;
    case AfxSig_l_p:
        lResult = (this->*AfxPmsgTo<LRESULT (CWnd::*)(CPoint)>(pfn))(CPoint(lParam));
        break;
    case AfxSig_v_u_ii:
        (this->*AfxPmsgTo<void (CWnd::*)(UINT, int, int)>(pfn))((UINT)wParam, (short)LOWORD(lParam),
                                                                (short)HIWORD(lParam));
        break;
    case AfxSig_v_ii:
        (this->*AfxPmsgTo<void (CWnd::*)(int, int)>(pfn))((short)LOWORD(lParam), (short)HIWORD(lParam));
        break;
    case AfxSig_v_u_l:
        (this->*AfxPmsgTo<void (CWnd::*)(UINT, LPARAM)>(pfn))((UINT)wParam, lParam);
        break;
    case AfxSig_h_v:
        lResult = (LRESULT)(this->*AfxPmsgTo<HCURSOR (CWnd::*)()>(pfn))();
        break;
    case AfxSig_b_W_u_u:
        lResult = (this->*AfxPmsgTo<BOOL (CWnd::*)(CWnd*, UINT, UINT)>(pfn))(
            FromHandle((HWND)wParam), LOWORD(lParam), HIWORD(lParam));
        break;
    case AfxSig_v_W:
        (this->*AfxPmsgTo<void (CWnd::*)(CWnd*)>(pfn))(FromHandle((HWND)wParam));
        break;
    case AfxSig_v_u_p:
        (this->*AfxPmsgTo<void (CWnd::*)(UINT, CPoint)>(pfn))((UINT)wParam, CPoint(lParam));
        break;
    case AfxSig_v_u_W_b:
        (this->*AfxPmsgTo<void (CWnd::*)(UINT, CWnd*, BOOL)>(pfn))(LOWORD(wParam), FromHandle((HWND)lParam),
                                                                   HIWORD(wParam) != 0);
        break;
    case AfxSig_v_b:
        (this->*AfxPmsgTo<void (CWnd::*)(BOOL)>(pfn))((BOOL)wParam);
        break;
    case AfxSig_u_v:
        lResult = (LRESULT)(this->*AfxPmsgTo<UINT (CWnd::*)()>(pfn))();
        break;
    case AfxSig_l_u_u_M:
        lResult = (this->*AfxPmsgTo<LRESULT (CWnd::*)(UINT, UINT, CMenu*)>(pfn))(
            LOWORD(wParam), HIWORD(wParam), CMenu::FromHandle((HMENU)lParam));
        break;
    case AfxSig_v_i_MEASURE:
        (this->*AfxPmsgTo<void (CWnd::*)(int, LPMEASUREITEMSTRUCT)>(pfn))((int)wParam, (LPMEASUREITEMSTRUCT)lParam);
        lResult = TRUE;
        break;
    case AfxSig_v_i_DRAW:
        (this->*AfxPmsgTo<void (CWnd::*)(int, LPDRAWITEMSTRUCT)>(pfn))((int)wParam, (LPDRAWITEMSTRUCT)lParam);
        lResult = TRUE;
        break;
    case AfxSig_v_M_u_b:
        (this->*AfxPmsgTo<void (CWnd::*)(CMenu*, UINT, BOOL)>(pfn))(CMenu::FromHandle((HMENU)wParam),
                                                                    LOWORD(lParam), HIWORD(lParam) != 0);
        break;
    case AfxSig_h_D_u:
        lResult = (LRESULT)(this->*AfxPmsgTo<HBRUSH (CWnd::*)(CDC*, UINT)>(pfn))(CDC::FromHandle((HDC)wParam),
                                                                                  (UINT)lParam);
        break;
    case AfxSig_l_w_l:
        lResult = (this->*AfxPmsgTo<LRESULT (CWnd::*)(WPARAM, LPARAM)>(pfn))(wParam, lParam);
        break;
    default:
        return FALSE;
    }
    *pResult = lResult;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    const int nCode = HIWORD(wParam);
    HWND hWndCtrl = (HWND)lParam;

    // A control's notification goes first to the control itself.
    if (hWndCtrl != NULL) {
        CWnd* pChild = FromHandlePermanent(hWndCtrl);
        LRESULT lResult = 0;
        if (pChild != NULL && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, &lResult))
            return TRUE;
    }
    // Menu and accelerator commands carry codes 0 and 1; both route as plain commands.
    return OnCmdMsg(nID, (hWndCtrl == NULL) ? 0 : nCode, NULL, NULL);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT* pResult)
{
    switch (message) {
    case WM_COMMAND: {
        const UINT nCode = HIWORD(wParam);
        const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), WM_REFLECT_BASE + WM_COMMAND, nCode);
        if (e == NULL)
            return FALSE;
        if (e->nSig == AfxSig_reflect_v) {
            (this->*AfxPmsgTo<void (CCmdTarget::*)()>(e->pfn))();
            return TRUE;
        }
        // _EX handlers decide: FALSE lets the parent handle the notification as well.
        return (this->*AfxPmsgTo<BOOL (CCmdTarget::*)()>(e->pfn))();
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        LRESULT lResult = 0;
        if (!OnWndMsg(WM_REFLECT_BASE + WM_CTLCOLOR, wParam, (LPARAM)(message - WM_CTLCOLORMSGBOX), &lResult)
            || lResult == 0)
            return FALSE;  // a NULL brush means the control did not handle it
        if (pResult != NULL)
            *pResult = lResult;
        return TRUE;
    }
    default:
        return FALSE;
    }
}

BOOL CWnd::PreTranslateMessage(MSG* /*pMsg*/)
{
    return FALSE;
}

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != NULL; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != NULL && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// Default handlers

int CWnd::OnCreate(LPCREATESTRUCT /*lpCreateStruct*/) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC* /*pDC*/) { return (BOOL)Default(); }
void CWnd::OnTimer(UINT_PTR /*nIDEvent*/) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint /*point*/) { return Default(); }
void CWnd::OnSize(UINT /*nType*/, int /*cx*/, int /*cy*/) { Default(); }
void CWnd::OnMove(int /*x*/, int /*y*/) { Default(); }
void CWnd::OnSysCommand(UINT /*nID*/, LPARAM /*lParam*/) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return (HCURSOR)Default(); }
BOOL CWnd::OnSetCursor(CWnd* /*pWnd*/, UINT /*nHitTest*/, UINT /*message*/) { return (BOOL)Default(); }
void CWnd::OnKillFocus(CWnd* /*pNewWnd*/) { Default(); }
void CWnd::OnSetFocus(CWnd* /*pOldWnd*/) { Default(); }
void CWnd::OnMouseMove(UINT /*nFlags*/, CPoint /*point*/) { Default(); }
void CWnd::OnLButtonDown(UINT /*nFlags*/, CPoint /*point*/) { Default(); }
void CWnd::OnLButtonUp(UINT /*nFlags*/, CPoint /*point*/) { Default(); }
void CWnd::OnLButtonDblClk(UINT /*nFlags*/, CPoint /*point*/) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
void CWnd::OnActivate(UINT /*nState*/, CWnd* /*pWndOther*/, BOOL /*bMinimized*/) { Default(); }
void CWnd::OnEnable(BOOL /*bEnable*/) { Default(); }
void CWnd::OnCancelMode() { Default(); }
UINT CWnd::OnGetDlgCode() { return (UINT)Default(); }
LRESULT CWnd::OnMenuChar(UINT /*nChar*/, UINT /*nFlags*/, CMenu* /*pMenu*/) { return Default(); }
void CWnd::OnInitMenuPopup(CMenu* /*pPopupMenu*/, UINT /*nIndex*/, BOOL /*bSysMenu*/) { Default(); }
HBRUSH CWnd::CtlColor(CDC* /*pDC*/, UINT /*nCtlColor*/) { return NULL; }

void CWnd::OnSysColorChange()
{
    // The platform tells only top-level windows; they pass the change on to every descendant
    // (child windows do not pass it on themselves, so nobody hears it twice).
    if (m_hWnd != NULL && (GetStyle() & WS_CHILD) == 0)
        SendMessageToDescendants(WM_SYSCOLORCHANGE, 0, 0, TRUE, FALSE);
    Default();
}

void CWnd::OnNcDestroy()
{
    CWinThread* pThread = AfxGetThread();
    if (pThread != NULL && pThread->m_pMainWnd == this)
        pThread->m_pMainWnd = NULL;

    Default();
    if (m_pfnSuper != NULL)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    Detach();
    PostNcDestroy();
}

void CWnd::OnDrawItem(int /*nIDCtl*/, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct->CtlType == ODT_MENU) {
        CMenu* pMenu = CMenu::FromHandlePermanent((HMENU)lpDrawItemStruct->hwndItem);
        if (pMenu != NULL) {
            pMenu->DrawItem(lpDrawItemStruct);
            return;
        }
    }
    Default();
}

void CWnd::OnMeasureItem(int /*nIDCtl*/, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (lpMeasureItemStruct->CtlType == ODT_MENU) {
        // The pop-up this window is tracking, else its own menu bar (a child window's "menu" is
        // its id).
        HMENU hMenu = NULL;
        if (CMenu::GetTrackingWindow() == m_hWnd)
            hMenu = CMenu::GetTrackingMenu();
        else if (m_hWnd != NULL && (GetStyle() & WS_CHILD) == 0)
            hMenu = ::GetMenu(m_hWnd);
        CMenu* pMenu = CMenu::FindOwnerOfItem(hMenu, lpMeasureItemStruct->itemID, lpMeasureItemStruct->itemData);
        if (pMenu != NULL) {
            pMenu->MeasureItem(lpMeasureItemStruct);
            return;
        }
    }
    Default();
}

/////////////////////////////////////////////////////////////////////////////
// Attributes and operations

// Changes GWL_STYLE or GWL_EXSTYLE; TRUE when the style changed.
static BOOL ModifyWindowLong(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    if (hWnd == NULL)
        return FALSE;
    const DWORD dwStyle = (DWORD)::GetWindowLongA(hWnd, nIndex);
    const DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    ::SetWindowLongA(hWnd, nIndex, (LONG)dwNewStyle);
    if (nFlags != 0)
        ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyWindowLong(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyWindowLong(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

CWnd* CWnd::GetParent() const { return m_hWnd != NULL ? FromHandle(::GetParent(m_hWnd)) : NULL; }
CWnd* CWnd::GetOwner() const { return m_hWnd != NULL ? FromHandle(::GetWindow(m_hWnd, GW_OWNER)) : NULL; }

CWnd* CWnd::GetTopLevelParent() const
{
    if (m_hWnd == NULL)
        return NULL;
    HWND hWnd = m_hWnd;
    while ((::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) != 0) {
        HWND hParent = ::GetParent(hWnd);
        if (hParent == NULL)
            break;
        hWnd = hParent;
    }
    return FromHandle(hWnd);
}

CWnd* CWnd::GetDlgItem(int nID) const { return m_hWnd != NULL ? FromHandle(::GetDlgItem(m_hWnd, nID)) : NULL; }

CWnd* CWnd::GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious) const
{
    if (m_hWnd == NULL)
        return NULL;
    return FromHandle(::GetNextDlgTabItem(m_hWnd, AfxGetSafeHwnd(pWndCtl), bPrevious));
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    const int nLen = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, rString.GetBuffer(nLen), nLen + 1);
    rString.ReleaseBuffer();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return (HICON)SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, (LPARAM)hIcon);
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const
{
    // The platform reads the length first; callers need not set it.
    lpwndpl->length = sizeof(WINDOWPLACEMENT);
    return m_hWnd != NULL && ::GetWindowPlacement(m_hWnd, lpwndpl);
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl)
{
    WINDOWPLACEMENT wp = *lpwndpl;
    wp.length = sizeof(WINDOWPLACEMENT);
    return m_hWnd != NULL && ::SetWindowPlacement(m_hWnd, &wp);
}

CMenu* CWnd::GetMenu() const { return m_hWnd != NULL ? CMenu::FromHandle(::GetMenu(m_hWnd)) : NULL; }

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return m_hWnd != NULL ? CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)) : NULL;
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::ClientToScreen(m_hWnd, (LPPOINT)lpRect);
    ::ClientToScreen(m_hWnd, ((LPPOINT)lpRect) + 1);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, (LPPOINT)lpRect);
    ::ScreenToClient(m_hWnd, ((LPPOINT)lpRect) + 1);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    if (m_hWnd != NULL)
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return m_hWnd != NULL && ::SetWindowPos(m_hWnd, AfxGetSafeHwnd(pWndInsertAfter), x, y, cx, cy, nFlags);
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return m_hWnd != NULL && ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return m_hWnd != NULL && ::EnableWindow(m_hWnd, bEnable);
}

void CWnd::Invalidate(BOOL bErase)
{
    InvalidateRect(NULL, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase)
{
    // Without a window this must not turn into an invalidation of the whole desktop.
    if (m_hWnd != NULL)
        ::InvalidateRect(m_hWnd, lpRect, bErase);
}

CWnd* CWnd::SetFocus()
{
    return m_hWnd != NULL ? FromHandle(::SetFocus(m_hWnd)) : NULL;
}

CWnd* PASCAL CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* PASCAL CWnd::GetActiveWindow() { return FromHandle(::GetActiveWindow()); }

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
{
    return m_hWnd != NULL ? ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer) : 0;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    return m_hWnd != NULL && ::KillTimer(m_hWnd, nIDEvent);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd != NULL ? ::SendMessageA(m_hWnd, message, wParam, lParam) : 0;
}

static void SendToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm)
{
    for (HWND hChild = ::GetTopWindow(hWnd); hChild != NULL; hChild = ::GetNextWindow(hChild, GW_HWNDNEXT)) {
        if (!bOnlyPerm)
            ::SendMessageA(hChild, message, wParam, lParam);
        else if (CWnd* pChild = CWnd::FromHandlePermanent(hChild))
            AfxCallWndProc(pChild, hChild, message, wParam, lParam);
        if (bDeep && ::GetTopWindow(hChild) != NULL)
            SendToDescendants(hChild, message, wParam, lParam, bDeep, bOnlyPerm);
    }
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm)
{
    if (m_hWnd != NULL)
        SendToDescendants(m_hWnd, message, wParam, lParam, bDeep, bOnlyPerm);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd != NULL && ::PostMessageA(m_hWnd, message, wParam, lParam);
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC)
{
    return ::ReleaseDC(m_hWnd, AfxGetSafeHdc(pDC));
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    if (m_hWnd == NULL)
        return;
    RECT rcArea, rcWnd;
    HWND hOwner = pAlternateOwner != NULL ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != NULL && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcArea);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
    ::GetWindowRect(m_hWnd, &rcWnd);
    const int cx = rcWnd.right - rcWnd.left, cy = rcWnd.bottom - rcWnd.top;
    ::SetWindowPos(m_hWnd, NULL, (rcArea.left + rcArea.right - cx) / 2, (rcArea.top + rcArea.bottom - cy) / 2,
                   -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
