// afx_menu.h - CMenu: one menu handle with the framework's handle maps.
//
// Covers: FromHandle (the attached object, else a temporary CMenu, NULL for NULL),
// FromHandlePermanent, Attach/Detach, CreateMenu/CreatePopupMenu, LoadMenu, DestroyMenu
// (destroys the platform menu and detaches), the item calls (Append/Insert/Modify/Delete/
// RemoveMenu, GetMenuItemCount/ID/State, GetMenuString into a buffer or a CString,
// GetSubMenu, CheckMenuItem, EnableMenuItem, GetMenuItemInfo), TrackPopupMenu (which records
// the menu and window being tracked, so owner-drawn items can be measured by the menu object
// they belong to: see FindOwnerOfItem, which matches an item by id and item data), and the
// owner-draw hooks DrawItem/MeasureItem.
// The destructor destroys a menu that is still attached.
#ifndef ZELVIX_AFX_MENU_H
#define ZELVIX_AFX_MENU_H

#include "framework/afx.h"

class CWnd;

class CMenu : public CObject
{
    DECLARE_DYNAMIC(CMenu)
public:
// Data members
    HMENU m_hMenu;

// Construction
    CMenu() : m_hMenu(NULL) {}
    virtual ~CMenu();

    static CMenu* PASCAL FromHandle(HMENU hMenu);
    static CMenu* PASCAL FromHandlePermanent(HMENU hMenu);
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL LoadMenu(LPCSTR lpszResourceName);
    BOOL LoadMenu(UINT nIDResource) { return LoadMenu(MAKEINTRESOURCEA(nIDResource)); }
    BOOL DestroyMenu();

// Attributes
    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }  // not through a null pointer
    UINT GetMenuItemCount() const { return (UINT)::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
    UINT GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }
    int GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const
    {
        return ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
    }
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    CMenu* GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }
    BOOL GetMenuItemInfo(UINT uItem, LPMENUITEMINFOA lpMenuItemInfo, BOOL fByPos = FALSE)
    {
        return ::GetMenuItemInfoA(m_hMenu, uItem, fByPos, lpMenuItemInfo);
    }

// Operations
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL)
    {
        return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
    }
    BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL)
    {
        return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
    }
    BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL)
    {
        return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
    }
    BOOL RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
    BOOL DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck) { return (UINT)::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) { return (UINT)::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable); }
    // Tracks the menu modally with the platform; while it runs the menu and the window are
    // remembered for the measuring of owner-drawn items.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = NULL);

    // The menu being tracked by TrackPopupMenu and the window tracking it, or NULL.
    static HMENU PASCAL GetTrackingMenu();
    static HWND PASCAL GetTrackingWindow();
    // The attached menu object that holds the item itemID (a command id, or a pop-up's handle)
    // inside the menu being tracked, searching its pop-ups too; NULL when there is none.
    static CMenu* PASCAL FindOwnerOfItem(UINT_PTR itemID);
    // The same search inside hMenu and its pop-ups for the item whose id is nItemID and whose item
    // data is dwItemData (separators share id 0, and ids repeat across pop-ups); when no item has
    // both, the first with the id. The owner is the object attached to the menu holding the item,
    // else to the nearest menu above it.
    static CMenu* PASCAL FindOwnerOfItem(HMENU hMenu, UINT nItemID, ULONG_PTR dwItemData);

// Overridables (owner-drawn items)
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
};

#endif // ZELVIX_AFX_MENU_H
