// afx_menu.cpp - CMenu.
#include "framework/afx_menu.h"

#include "framework/afx_app.h"
#include "framework/afx_handlemap.h"
#include "framework/afx_wnd.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace
{
CHandleMap<HMENU, CMenu>& MenuMap()
{
    static CHandleMap<HMENU, CMenu> s_map([](CMenu* p) {
        p->m_hMenu = NULL;
        delete p;
    });
    return s_map;
}

HMENU g_hTrackingMenu = NULL;
HWND g_hTrackingWindow = NULL;
} // namespace

void AfxPurgeMenuTempMaps()
{
    MenuMap().PurgeTemporary([](HMENU) { return true; });
}

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu)
{
    return MenuMap().FromHandle(hMenu, [](HMENU h) {
        CMenu* p = new CMenu;
        p->m_hMenu = h;
        return p;
    });
}

CMenu* PASCAL CMenu::FromHandlePermanent(HMENU hMenu)
{
    return hMenu == NULL ? NULL : MenuMap().LookupPermanent(hMenu);
}

BOOL CMenu::Attach(HMENU hMenu)
{
    ASSERT(m_hMenu == NULL);
    if (hMenu == NULL)
        return FALSE;
    m_hMenu = hMenu;
    MenuMap().AttachPermanent(hMenu, this);
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu != NULL)
        MenuMap().RemoveHandle(hMenu);
    m_hMenu = NULL;
    return hMenu;
}

BOOL CMenu::LoadMenu(LPCSTR lpszResourceName)
{
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, (LPCSTR)RT_MENU);
    return Attach(::LoadMenuA(hInst, lpszResourceName));
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == NULL)
        return FALSE;
    return ::DestroyMenu(Detach());
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    // Ask for the length first, so no text is cut.
    const int nLen = ::GetMenuStringA(m_hMenu, nIDItem, NULL, 0, nFlags);
    if (nLen <= 0) {
        rString.Empty();
        return 0;
    }
    const int nResult = ::GetMenuStringA(m_hMenu, nIDItem, rString.GetBuffer(nLen), nLen + 1, nFlags);
    rString.ReleaseBuffer(nResult);
    return nResult;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    const HMENU hOldTracking = g_hTrackingMenu;
    const HWND hOldWindow = g_hTrackingWindow;
    g_hTrackingMenu = m_hMenu;
    g_hTrackingWindow = AfxGetSafeHwnd(pWnd);
    const BOOL bResult = ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, AfxGetSafeHwnd(pWnd), lpRect);
    g_hTrackingMenu = hOldTracking;
    g_hTrackingWindow = hOldWindow;
    return bResult;
}

HMENU PASCAL CMenu::GetTrackingMenu()
{
    return g_hTrackingMenu;
}

HWND PASCAL CMenu::GetTrackingWindow()
{
    return g_hTrackingWindow;
}

// Depth-first through hMenu's items in order. pNearest is the object attached to hMenu or to the
// nearest menu above it.
static CMenu* FindOwnerIn(HMENU hMenu, UINT nItemID, ULONG_PTR dwItemData, bool bMatchData, CMenu* pNearest,
                          int nDepth)
{
    if (nDepth > 64)  // menus do not nest this deep; guard against a cycle
        return NULL;
    if (CMenu* p = CMenu::FromHandlePermanent(hMenu))
        pNearest = p;
    const int nCount = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < nCount; ++i) {
        MENUITEMINFOA info;
        memset(&info, 0, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (!::GetMenuItemInfoA(hMenu, i, TRUE, &info))
            continue;
        // A request carries the item's id as the system keeps it: for a pop-up entry appended
        // with its handle, the handle cut to 32 bits.
        if (info.wID == nItemID && (!bMatchData || info.dwItemData == dwItemData))
            return pNearest;
        if (info.hSubMenu != NULL) {
            if (CMenu* p = FindOwnerIn(info.hSubMenu, nItemID, dwItemData, bMatchData, pNearest, nDepth + 1))
                return p;
        }
    }
    return NULL;
}

CMenu* PASCAL CMenu::FindOwnerOfItem(HMENU hMenu, UINT nItemID, ULONG_PTR dwItemData)
{
    if (hMenu == NULL)
        return NULL;
    if (CMenu* p = FindOwnerIn(hMenu, nItemID, dwItemData, true, NULL, 0))
        return p;
    return FindOwnerIn(hMenu, nItemID, 0, false, NULL, 0);
}

CMenu* PASCAL CMenu::FindOwnerOfItem(UINT_PTR itemID)
{
    return g_hTrackingMenu != NULL ? FindOwnerIn(g_hTrackingMenu, (UINT)itemID, 0, false, NULL, 0) : NULL;
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT /*lpDrawItemStruct*/) {}
void CMenu::MeasureItem(LPMEASUREITEMSTRUCT /*lpMeasureItemStruct*/) {}
