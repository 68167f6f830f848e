// owner_drawn_menu.h - COwnerDrawnMenu: a menu whose items are all drawn by the menu itself.
//
//   COwnerDrawnMenu   keeps one CMenuItemData per item (passed to Windows as the item data) and
//                     the pop-ups it appended; loads itself from a menu template resource
//   item management   AppendOwnerDrawnItem, MakeItemOwnerDrawn, SynchronizeItems and helpers,
//                     AlignAcceleratorColumn, RefreshTopLevelPopups, GetItemTextByPosition
//   drawing           DrawItem chooses DrawItemClassic or DrawItemXP; check marks, radio bullets
//                     and their boxes; LightenColor
//   measurement       MeasureItem
//   class-wide        the Windows version code, the registered pop-up handles (the image button
//                     asks IsMenuRegistered / IsHandleRegistered), the classic-theme test and
//                     the WM_MENUCHAR answer FindMnemonicItem
//
// Chief header of the menu component: it also brings CMenuItemData and CMenuMemDC.
#ifndef ZELVIX_OWNER_DRAWN_MENU_H
#define ZELVIX_OWNER_DRAWN_MENU_H

#include <afxwin.h>
#include <afxtempl.h>

#include "controls/menu/menu_item_data.h"
#include "controls/menu/menu_mem_dc.h"

class COwnerDrawnMenu : public CMenu
{
    DECLARE_DYNAMIC(COwnerDrawnMenu)
public:
// Data members
    CTypedPtrArray<CPtrArray, CMenuItemData*> m_arrItems;  // owned, in the order added
    CTypedPtrArray<CPtrArray, HMENU> m_arrSubMenus;        // pop-ups appended to this menu
    int m_nImageWidth;                                     // image column unit, pixels
    int m_nImageHeight;
    BOOL m_bLoaded;                                        // built from a menu resource

// Class-wide state
    static int s_nWindowsVersion;  // GetWindowsVersionCode, computed at start-up
    // Every pop-up handle any COwnerDrawnMenu appended; not owned.
    static CTypedPtrArray<CPtrArray, HMENU> s_arrMenuHandles;
    static BOOL s_bThemeChecked;   // the theme has been read (or the read was tried)
    static BOOL s_bClassicTheme;

// Construction
    COwnerDrawnMenu();
    virtual ~COwnerDrawnMenu();

    // Both replace the menu's contents with a menu template resource. FALSE when the resource is
    // missing, cannot be loaded or is malformed (the menu then keeps what it had), or when the new
    // menu cannot be made (the menu is then empty).
    virtual BOOL LoadMenu(UINT nIDResource);
    virtual BOOL LoadMenu(LPCSTR lpszResourceName);
    // Releases the records and the pop-up menu objects this menu created, unregisters its
    // handles and destroys the Windows menu; returns CMenu::DestroyMenu's result.
    virtual BOOL DestroyMenu();

// Attributes
    static BOOL PASCAL IsMenuRegistered(CMenu* pMenu);
    static BOOL PASCAL IsHandleRegistered(HMENU hMenu);
    // 0 Windows 3.x, 1 other NT, 2 other 9x, 3 98, 4 Me, 5 NT 4.0, 6 2000, 7 XP.
    static int PASCAL GetWindowsVersionCode();
    // The same mapping from GetVersion's value and GetVersionEx's major and minor version.
    static int PASCAL MapWindowsVersionCode(DWORD dwVersion, DWORD dwMajor, DWORD dwMinor);
    // The desktop uses the classic theme; read once per process.
    static BOOL PASCAL IsClassicTheme();
    // XP-like look: Windows XP without the classic theme.
    static BOOL PASCAL UseXPStyle();

// Operations: items
    // Appends one owner-drawn item; nID 0 makes a separator, MF_POPUP makes nID a pop-up handle.
    BOOL AppendOwnerDrawnItem(UINT nFlags, UINT_PTR nID, const wchar_t* pszText);
    // A new record for the live entry at nPosition, which is modified to use it when nFlags has
    // MF_OWNERDRAW. The record is returned to the caller, not stored.
    CMenuItemData* MakeItemOwnerDrawn(UINT nPosition, UINT nFlags, UINT_PTR nID, CString strText);
    // Rebuilds m_arrItems from the live menu: afterwards record i belongs to entry i.
    void SynchronizeItems();
    CMenuItemData* FindUnclaimedItem(UINT_PTR nID);
    void DeleteUnclaimedItems();
    int GetMenuPositionOffset();
    void RefreshTopLevelPopups();
    void AlignAcceleratorColumn();
    BOOL GetItemTextByPosition(int nPosition, CString& strText);

    // Pads strLabel with spaces until pfnMeasure says it is at least nTargetWidth wide. Stops
    // as soon as a space adds no width or the measurement fails. Used by AlignAcceleratorColumn.
    typedef BOOL (*PFN_MEASURE_TEXT)(void* pContext, LPCSTR lpszText, int nLength, int* pnWidth);
    static CString PASCAL PadLabelToWidth(const CString& strLabel, int nTargetWidth,
                                          PFN_MEASURE_TEXT pfnMeasure, void* pContext);

// Operations: fonts
    // The menu font of the non-client metrics; the default GUI font's description when the
    // metrics cannot be read. pfnQuery stands in for SystemParametersInfoA.
    typedef BOOL (WINAPI* PFN_SYSTEM_PARAMETERS)(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);
    static void PASCAL GetMenuLogFont(LOGFONTA* pLogFont, PFN_SYSTEM_PARAMETERS pfnQuery = NULL);
    static BOOL PASCAL CreateMenuFont(CFont& font);

// Operations: drawing
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    void DrawItemClassic(LPDRAWITEMSTRUCT lpDrawItemStruct);
    void DrawItemXP(LPDRAWITEMSTRUCT lpDrawItemStruct);

    static void PASCAL DrawCheckMark(CDC* pDC, int x, int y, COLORREF crColor);
    static void PASCAL DrawRadioBullet(CDC* pDC, int x, int y, COLORREF crColor);
    static BOOL PASCAL DrawCheckedBackgroundClassic(const RECT& rcBox, CDC* pDC, BOOL bSelected,
                                                    HBITMAP hbmChecked);
    static BOOL PASCAL DrawCheckedBackgroundXP(const COLORREF& crFrame, const RECT& rcBox, CDC* pDC,
                                               HBITMAP hbmChecked);
    static COLORREF PASCAL LightenColor(double dFactor, COLORREF crColor);

// Operations: keyboard
    // The WM_MENUCHAR answer: (MNC_EXECUTE << 16) + position of the first item whose text holds
    // "&" and the typed character in either case, else 0.
    static LRESULT PASCAL FindMnemonicItem(UINT nChar, UINT nFlags, CMenu* pMenu);

private:
    // The pop-up menu objects LoadMenu created for this menu; only these are deleted with it.
    CTypedPtrArray<CPtrArray, COwnerDrawnMenu*> m_arrOwnedPopups;

    static void PASCAL RemoveRegisteredHandle(HMENU hMenu);
    // The window whose DC measures menu texts: the main window, else the desktop.
    static HWND PASCAL GetMeasuringWindow();
};

#endif // ZELVIX_OWNER_DRAWN_MENU_H
