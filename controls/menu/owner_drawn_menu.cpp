// owner_drawn_menu.cpp - COwnerDrawnMenu: life cycle, registered handles, the Windows version
// code, loading from a menu template, item management, mnemonics and the classic-theme test.
// Drawing and measurement are in owner_drawn_menu_draw.cpp.
#include "controls/menu/owner_drawn_menu.h"

#include <new>

#include "controls/menu/menu_template.h"
#include "controls/menu/menu_text.h"

IMPLEMENT_DYNAMIC(COwnerDrawnMenu, CMenu)

// Computed during static initialisation, before the application object runs.
int COwnerDrawnMenu::s_nWindowsVersion = COwnerDrawnMenu::GetWindowsVersionCode();
CTypedPtrArray<CPtrArray, HMENU> COwnerDrawnMenu::s_arrMenuHandles;
BOOL COwnerDrawnMenu::s_bThemeChecked = FALSE;
BOOL COwnerDrawnMenu::s_bClassicTheme = FALSE;

namespace
{
constexpr char kThemeKey[] = "Software\\Microsoft\\Plus!\\Themes\\Current";
constexpr DWORD kThemeValueBuffer = 260;

bool IsLeadByte(unsigned char ch)
{
    return ::IsDBCSLeadByte(ch) != FALSE;
}

char LowerChar(char ch)
{
    ::CharLowerBuffA(&ch, 1);
    return ch;
}

// Measures with the font selected in the DC.
BOOL MeasureWithDC(void* pContext, LPCSTR lpszText, int nLength, int* pnWidth)
{
    SIZE size = { 0, 0 };
    if (!::GetTextExtentPoint32A((HDC)pContext, lpszText, nLength, &size))
        return FALSE;
    *pnWidth = size.cx;
    return TRUE;
}
} // namespace

/////////////////////////////////////////////////////////////////////////////
// Construction

COwnerDrawnMenu::COwnerDrawnMenu()
    : m_nImageWidth(16), m_nImageHeight(15), m_bLoaded(FALSE)
{
}

COwnerDrawnMenu::~COwnerDrawnMenu()
{
    DestroyMenu();
}

void PASCAL COwnerDrawnMenu::RemoveRegisteredHandle(HMENU hMenu)
{
    for (INT_PTR i = s_arrMenuHandles.GetSize() - 1; i >= 0; --i) {
        if (s_arrMenuHandles[i] == hMenu)
            s_arrMenuHandles.RemoveAt(i);
    }
}

HWND PASCAL COwnerDrawnMenu::GetMeasuringWindow()
{
    CWinThread* pThread = AfxGetThread();
    CWnd* pMainWnd = pThread != NULL ? pThread->GetMainWnd() : NULL;
    const HWND hWnd = AfxGetSafeHwnd(pMainWnd);
    return hWnd != NULL ? hWnd : ::GetDesktopWindow();
}

BOOL COwnerDrawnMenu::DestroyMenu()
{
    if (m_hMenu != NULL)
        RemoveRegisteredHandle(m_hMenu);

    for (INT_PTR i = m_arrSubMenus.GetSize() - 1; i >= 0; --i) {
        const HMENU hSubMenu = m_arrSubMenus[i];
        RemoveRegisteredHandle(hSubMenu);
        // Only a pop-up object this menu made is deleted; one that someone else appended as a
        // pop-up stays theirs.
        CMenu* pMenu = CMenu::FromHandlePermanent(hSubMenu);
        for (INT_PTR j = m_arrOwnedPopups.GetSize() - 1; j >= 0; --j) {
            if (m_arrOwnedPopups[j] == pMenu) {
                m_arrOwnedPopups.RemoveAt(j);
                delete pMenu;
                break;
            }
        }
    }
    m_arrSubMenus.RemoveAll();

    // Pop-ups this menu made whose handle was detached or destroyed meanwhile.
    for (INT_PTR j = m_arrOwnedPopups.GetSize() - 1; j >= 0; --j)
        delete m_arrOwnedPopups[j];
    m_arrOwnedPopups.RemoveAll();

    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
        delete m_arrItems[i];  // frees the text too
    m_arrItems.RemoveAll();

    // The system destroys a menu's pop-ups with it. A pop-up still attached to a menu object is
    // someone else's (ours are gone by now): take it out first, so its object keeps a live handle.
    if (m_hMenu != NULL) {
        for (int nPos = ::GetMenuItemCount(m_hMenu) - 1; nPos >= 0; --nPos) {
            const HMENU hSubMenu = ::GetSubMenu(m_hMenu, nPos);
            if (hSubMenu != NULL && CMenu::FromHandlePermanent(hSubMenu) != NULL)
                ::RemoveMenu(m_hMenu, nPos, MF_BYPOSITION);
        }
    }

    return CMenu::DestroyMenu();
}

/////////////////////////////////////////////////////////////////////////////
// Attributes

BOOL PASCAL COwnerDrawnMenu::IsMenuRegistered(CMenu* pMenu)
{
    return pMenu != NULL && IsHandleRegistered(pMenu->m_hMenu);
}

BOOL PASCAL COwnerDrawnMenu::IsHandleRegistered(HMENU hMenu)
{
    for (INT_PTR i = 0; i < s_arrMenuHandles.GetSize(); ++i) {
        if (s_arrMenuHandles[i] == hMenu)
            return TRUE;
    }
    return FALSE;
}

int PASCAL COwnerDrawnMenu::MapWindowsVersionCode(DWORD dwVersion, DWORD dwMajor, DWORD dwMinor)
{
    if (dwVersion & 0x80000000) {
        if (LOBYTE(LOWORD(dwVersion)) < 4)
            return 0;                 // Windows 3.x host
        if (dwMajor == 4 && dwMinor == 10)
            return 3;                 // 98
        if (dwMajor == 4 && dwMinor == 90)
            return 4;                 // Me
        return 2;                     // 95 and other 9x
    }
    if (dwMajor == 4)
        return 5;                     // NT 4.0
    if (dwMajor == 5 && dwMinor == 0)
        return 6;                     // 2000
    if (dwMajor == 5 && dwMinor == 1)
        return 7;                     // XP
    return 1;                         // NT 3.x, 5.2, 6 and later
}

int PASCAL COwnerDrawnMenu::GetWindowsVersionCode()
{
    const DWORD dwVersion = ::GetVersion();
    if ((dwVersion & 0x80000000) && LOBYTE(LOWORD(dwVersion)) < 4)
        return 0;
    OSVERSIONINFOA info;
    memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    ::GetVersionExA(&info);  // left zeroed on failure: the family's default code
    return MapWindowsVersionCode(dwVersion, info.dwMajorVersion, info.dwMinorVersion);
}

BOOL PASCAL COwnerDrawnMenu::IsClassicTheme()
{
    if (s_bThemeChecked)
        return s_bClassicTheme;
    s_bThemeChecked = TRUE;  // a failed read is not repeated

    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kThemeKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return s_bClassicTheme;
    BYTE buffer[kThemeValueBuffer];
    DWORD dwType = REG_SZ;
    DWORD dwSize = sizeof(buffer);
    if (::RegQueryValueExA(hKey, NULL, NULL, &dwType, buffer, &dwSize) == ERROR_SUCCESS) {
        // The value need not end in a zero (a full buffer, or not a string at all): it ends at
        // the size that was returned.
        if (dwSize > sizeof(buffer))
            dwSize = sizeof(buffer);
        if (zelvix::IsClassicThemePath((const char*)buffer, dwSize, IsLeadByte))
            s_bClassicTheme = TRUE;
    }
    ::RegCloseKey(hKey);
    return s_bClassicTheme;
}

BOOL PASCAL COwnerDrawnMenu::UseXPStyle()
{
    return s_nWindowsVersion == 7 && !IsClassicTheme();
}

/////////////////////////////////////////////////////////////////////////////
// Loading

BOOL COwnerDrawnMenu::LoadMenu(UINT nIDResource)
{
    return LoadMenu(MAKEINTRESOURCEA(LOWORD(nIDResource)));
}

BOOL COwnerDrawnMenu::LoadMenu(LPCSTR lpszResourceName)
{
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, (LPCSTR)RT_MENU);
    HRSRC hResource = ::FindResourceA(hInst, lpszResourceName, (LPCSTR)RT_MENU);
    if (hResource == NULL) {
        hInst = NULL;
        hResource = ::FindResourceA(NULL, lpszResourceName, (LPCSTR)RT_MENU);
        if (hResource == NULL)
            return FALSE;
    }
    HGLOBAL hGlobal = ::LoadResource(hInst, hResource);
    if (hGlobal == NULL)
        return FALSE;
    const BYTE* pData = (const BYTE*)::LockResource(hGlobal);
    const DWORD dwSize = ::SizeofResource(hInst, hResource);
    // A template the reader would run off the end of is refused before anything is destroyed.
    if (pData == NULL || !zelvix::MenuTemplateReader::Validate(pData, dwSize))
        return FALSE;

    DestroyMenu();
    if (!CMenu::Attach(::CreateMenu()))
        return FALSE;

    // The menus under construction: the bottom one is this menu, the top one receives items.
    CTypedPtrArray<CPtrArray, COwnerDrawnMenu*> arrStack;
    arrStack.Add(this);
    zelvix::MenuTemplateReader reader(pData, dwSize);
    zelvix::MenuTemplateItem item;
    while (arrStack.GetSize() > 0 && reader.Next(item)) {
        wchar_t* pszText = new (std::nothrow) wchar_t[item.nTextUnits + 1];
        if (pszText != NULL)
            zelvix::CopyMenuItemText(item, pszText, item.nTextUnits + 1);
        COwnerDrawnMenu* pTop = arrStack[arrStack.GetUpperBound()];

        if (item.bPopup) {
            COwnerDrawnMenu* pPopup = new (std::nothrow) COwnerDrawnMenu;
            if (pPopup != NULL && !pPopup->CreatePopupMenu()) {
                delete pPopup;
                pPopup = NULL;
            }
            if (pPopup == NULL) {
                // Without its pop-up the menu cannot be built as the template says.
                delete[] pszText;
                DestroyMenu();
                return FALSE;
            }
            pTop->m_arrOwnedPopups.Add(pPopup);
            pTop->AppendOwnerDrawnItem(item.nFlags, (UINT_PTR)pPopup->m_hMenu, pszText);
            arrStack.Add(pPopup);
        } else {
            pTop->AppendOwnerDrawnItem(item.nFlags, item.nID, pszText);
            for (size_t nClosed = 0; nClosed < item.nLevelsClosed && arrStack.GetSize() > 0; ++nClosed) {
                const INT_PTR nTop = arrStack.GetUpperBound();
                arrStack[nTop]->AlignAcceleratorColumn();
                arrStack.RemoveAt(nTop);
            }
        }
        delete[] pszText;
    }

    // The top level becomes plain entries drawn by the system.
    for (int nPos = 0; nPos < ::GetMenuItemCount(m_hMenu) && nPos < m_arrItems.GetSize(); ++nPos) {
        CMenuItemData* pItem = m_arrItems[nPos];
        if (pItem == NULL)
            continue;
        const CString strText = pItem->GetAnsiText();
        CMenu* pPopup = CMenu::FromHandle(::GetSubMenu(m_hMenu, nPos));
        if (pPopup != NULL) {
            pItem->m_nFlags = MF_BYPOSITION | MF_POPUP;
            ::ModifyMenuA(m_hMenu, nPos, MF_BYPOSITION | MF_POPUP, (UINT_PTR)pPopup->m_hMenu, strText);
        } else {
            pItem->m_nFlags = MF_BYPOSITION;
            ::ModifyMenuA(m_hMenu, nPos, MF_BYPOSITION, pItem->m_nID, strText);
        }
    }

    m_bLoaded = TRUE;
    return TRUE;
}

/////////////////////////////////////////////////////////////////////////////
// Items

BOOL COwnerDrawnMenu::AppendOwnerDrawnItem(UINT nFlags, UINT_PTR nID, const wchar_t* pszText)
{
    if (nID == 0)
        nFlags = (nFlags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    else
        nFlags |= MF_OWNERDRAW;
    if (nFlags & MF_POPUP) {
        s_arrMenuHandles.Add((HMENU)nID);
        m_arrSubMenus.Add((HMENU)nID);
    }

    CMenuItemData* pItem = new CMenuItemData;
    m_arrItems.Add(pItem);
    pItem->SetWideText(pszText);
    pItem->m_nFlags = nFlags;
    pItem->m_nID = nID;

    const BOOL bResult = ::AppendMenuA(m_hMenu, nFlags, nID, (LPCSTR)pItem);
    if (m_bLoaded)
        RefreshTopLevelPopups();
    return bResult;
}

CMenuItemData* COwnerDrawnMenu::MakeItemOwnerDrawn(UINT nPosition, UINT nFlags, UINT_PTR nID, CString strText)
{
    CMenuItemData* pItem = new CMenuItemData;
    pItem->SetAnsiText(strText);
    pItem->m_nFlags = nFlags;
    pItem->m_nID = nID;
    ::ModifyMenuA(m_hMenu, nPosition, nFlags, nID, (nFlags & MF_OWNERDRAW) ? (LPCSTR)pItem : NULL);
    return pItem;
}

CMenuItemData* COwnerDrawnMenu::FindUnclaimedItem(UINT_PTR nID)
{
    const INT_PTR nCount = m_arrItems.GetSize();
    for (INT_PTR i = 0; i < nCount; ++i) {
        CMenuItemData* pItem = m_arrItems[i];
        if (pItem != NULL && pItem->m_nID == nID && !pItem->m_bClaimed) {
            pItem->m_bClaimed = TRUE;
            return pItem;
        }
    }
    return NULL;
}

void COwnerDrawnMenu::DeleteUnclaimedItems()
{
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i) {
        CMenuItemData* pItem = m_arrItems[i];
        if (pItem != NULL && !pItem->m_bClaimed) {
            delete pItem;
            m_arrItems[i] = NULL;  // the slot stays, without a dangling pointer
        }
    }
}

void COwnerDrawnMenu::SynchronizeItems()
{
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i) {
        if (m_arrItems[i] != NULL)
            m_arrItems[i]->m_bClaimed = FALSE;
    }

    CTypedPtrArray<CPtrArray, CMenuItemData*> arrLive;
    for (int nPos = 0; nPos < ::GetMenuItemCount(m_hMenu); ++nPos) {
        const UINT nState = ::GetMenuState(m_hMenu, nPos, MF_BYPOSITION);
        CMenuItemData* pItem = NULL;
        CString strText;
        if (nState & MF_POPUP) {
            const HMENU hPopup = ::GetSubMenu(m_hMenu, nPos);
            pItem = FindUnclaimedItem((UINT_PTR)hPopup);
            GetMenuString(nPos, strText, MF_BYPOSITION);
            if (pItem != NULL) {
                if (!strText.IsEmpty())
                    pItem->SetAnsiText(strText);
            } else {
                pItem = MakeItemOwnerDrawn(nPos, (nState & 0xEF) | MF_POPUP | MF_OWNERDRAW | MF_BYPOSITION,
                                           (UINT_PTR)hPopup, strText);
            }
        } else if (nState & MF_SEPARATOR) {
            pItem = FindUnclaimedItem(0);
            if (pItem != NULL)
                ::ModifyMenuA(m_hMenu, nPos, pItem->m_nFlags | MF_BYPOSITION, 0, (LPCSTR)pItem);
            else
                pItem = MakeItemOwnerDrawn(nPos, nState | MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW, 0, CString());
        } else {
            const UINT nID = ::GetMenuItemID(m_hMenu, nPos);
            pItem = FindUnclaimedItem(nID);
            GetMenuString(nPos, strText, MF_BYPOSITION);
            if (pItem != NULL) {
                pItem->m_nFlags = nState | MF_BYPOSITION | MF_OWNERDRAW;
                if (!strText.IsEmpty())
                    pItem->SetAnsiText(strText);
                ::ModifyMenuA(m_hMenu, nPos, pItem->m_nFlags, nID, (LPCSTR)pItem);
            } else {
                pItem = MakeItemOwnerDrawn(nPos, nState | MF_BYPOSITION | MF_OWNERDRAW, nID, strText);
            }
        }
        if (pItem != NULL)
            arrLive.Add(pItem);
    }

    DeleteUnclaimedItems();
    m_arrItems.RemoveAll();
    for (INT_PTR i = 0; i < arrLive.GetSize(); ++i)
        m_arrItems.Add(arrLive[i]);
}

int COwnerDrawnMenu::GetMenuPositionOffset()
{
    if (!m_bLoaded)
        return 0;
    const INT_PTR nRecords = m_arrItems.GetSize();
    const int nCount = ::GetMenuItemCount(m_hMenu);
    for (int nPos = 0; nPos < nCount; ++nPos) {
        CString strText;
        GetMenuString(nPos, strText, MF_BYPOSITION);
        if (strText.IsEmpty())
            continue;
        for (INT_PTR j = 0; j < nRecords; ++j) {
            if (m_arrItems[j] != NULL && strText.Compare(m_arrItems[j]->GetAnsiText()) == 0)
                return nPos >= j ? nPos - (int)j : 0;
        }
    }
    return 0;
}

void COwnerDrawnMenu::RefreshTopLevelPopups()
{
    const INT_PTR nRecords = m_arrItems.GetSize();
    const int nOffset = GetMenuPositionOffset();
    for (int i = 0; nOffset + i < ::GetMenuItemCount(m_hMenu); ++i) {
        const int nPos = nOffset + i;
        if (i >= nRecords || m_arrItems[i] == NULL)
            continue;
        CMenu* pPopup = CMenu::FromHandle(::GetSubMenu(m_hMenu, nPos));
        if (pPopup != NULL) {
            m_arrItems[i]->m_nFlags = MF_BYPOSITION | MF_POPUP;
            ::ModifyMenuA(m_hMenu, nPos, MF_BYPOSITION | MF_POPUP, (UINT_PTR)pPopup->m_hMenu,
                          m_arrItems[i]->GetAnsiText());
        }
    }
}

CString PASCAL COwnerDrawnMenu::PadLabelToWidth(const CString& strLabel, int nTargetWidth,
                                                PFN_MEASURE_TEXT pfnMeasure, void* pContext)
{
    CString strPadded = strLabel;
    int nWidth = 0;
    if (!pfnMeasure(pContext, strPadded, strPadded.GetLength(), &nWidth))
        return strPadded;
    while (nWidth < nTargetWidth) {
        strPadded += ' ';
        int nNewWidth = 0;
        // A space that adds nothing (or a failed measurement) would never reach the target.
        if (!pfnMeasure(pContext, strPadded, strPadded.GetLength(), &nNewWidth) || nNewWidth <= nWidth)
            break;
        nWidth = nNewWidth;
    }
    return strPadded;
}

void COwnerDrawnMenu::AlignAcceleratorColumn()
{
    CFont font;
    CreateMenuFont(font);
    const HWND hWnd = GetMeasuringWindow();
    const HDC hDC = ::GetDC(hWnd);
    const HGDIOBJ hOldFont = ::SelectObject(hDC, font.m_hObject);

    const int nCount = ::GetMenuItemCount(m_hMenu);
    int nColumn = -1;
    for (int i = 0; i < nCount && i < m_arrItems.GetSize(); ++i) {
        if (m_arrItems[i] == NULL)
            continue;
        const CString strText = m_arrItems[i]->GetAnsiText();
        const int nTab = strText.Find('\t');
        const CString strLabel = (nTab >= 0 ? strText.Left(nTab) : strText) + " ";
        int nWidth = 0;
        if (MeasureWithDC(hDC, strLabel, strLabel.GetLength(), &nWidth) && nWidth > nColumn)
            nColumn = nWidth;
    }
    for (int i = 0; i < nCount && i < m_arrItems.GetSize(); ++i) {
        if (m_arrItems[i] == NULL)
            continue;
        const CString strText = m_arrItems[i]->GetAnsiText();
        const int nTab = strText.Find('\t');
        if (nTab < 0)
            continue;
        const CString strLabel = PadLabelToWidth(strText.Left(nTab), nColumn, MeasureWithDC, hDC);
        m_arrItems[i]->SetAnsiText(strLabel + strText.Mid(nTab));
    }

    if (hOldFont != NULL)
        ::SelectObject(hDC, hOldFont);
    ::ReleaseDC(hWnd, hDC);
}

BOOL COwnerDrawnMenu::GetItemTextByPosition(int nPosition, CString& strText)
{
    if (nPosition < 0 || nPosition >= m_arrItems.GetSize() || m_arrItems[nPosition] == NULL)
        return FALSE;
    strText = m_arrItems[nPosition]->GetAnsiText();
    return TRUE;
}

/////////////////////////////////////////////////////////////////////////////
// Keyboard

LRESULT PASCAL COwnerDrawnMenu::FindMnemonicItem(UINT nChar, UINT nFlags, CMenu* pMenu)
{
    COwnerDrawnMenu* pOwnerDrawn = DYNAMIC_DOWNCAST(COwnerDrawnMenu, pMenu);
    if (pOwnerDrawn == NULL || !(nFlags & MF_POPUP))
        return 0;

    const int nCount = ::GetMenuItemCount(pOwnerDrawn->m_hMenu);
    if (nCount < 0)
        return 0;
    if (nCount != pOwnerDrawn->m_arrItems.GetSize())
        pOwnerDrawn->SynchronizeItems();

    CString strText;
    auto getText = [pOwnerDrawn, &strText](int nPos, const char*& pText, size_t& nLength) {
        if (!pOwnerDrawn->GetItemTextByPosition(nPos, strText))
            return false;
        pText = strText;
        nLength = (size_t)strText.GetLength();
        return true;
    };
    const int nFound = zelvix::FindMnemonicIndex(nCount, nChar, getText, LowerChar, IsLeadByte);
    return (LRESULT)zelvix::MenuCharResult(nFound);
}
