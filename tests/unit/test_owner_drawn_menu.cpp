// Tests of COwnerDrawnMenu's life cycle, registered handles, version code, loading from menu
// templates, item management, mnemonics and the font and padding helpers.
#include <gtest/gtest.h>

#include <vector>

#include "menu_test_support.h"
#include "test_menus.h"

#include <malloc.h>

namespace
{

COwnerDrawnMenu* OwnerDrawnOf(HMENU hMenu)
{
    return DYNAMIC_DOWNCAST(COwnerDrawnMenu, CMenu::FromHandlePermanent(hMenu));
}

UINT StateAt(HMENU hMenu, int nPos)
{
    return ::GetMenuState(hMenu, nPos, MF_BYPOSITION);
}

// GetMenuState cannot tell for a pop-up entry: its high byte holds the item count.
bool IsOwnerDrawn(HMENU hMenu, int nPos)
{
    MENUITEMINFOA info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    return ::GetMenuItemInfoA(hMenu, nPos, TRUE, &info) && (info.fType & MFT_OWNERDRAW) != 0;
}

ULONG_PTR ItemDataAt(HMENU hMenu, int nPos)
{
    MENUITEMINFOA info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ::GetMenuItemInfoA(hMenu, nPos, TRUE, &info);
    return info.dwItemData;
}

CString TextOf(const COwnerDrawnMenu* pMenu, int nIndex)
{
    return pMenu->m_arrItems[nIndex]->GetAnsiText();
}

/////////////////////////////////////////////////////////////////////////////
// Life cycle and registration

TEST(OwnerDrawnMenuLifeCycle, DestroyingAMenuNeverCreatedFailsAndLeavesNothing)
{
    COwnerDrawnMenu menu;
    EXPECT_FALSE(menu.DestroyMenu());
    EXPECT_EQ(0, menu.m_arrItems.GetSize());
    EXPECT_EQ(0, menu.m_arrSubMenus.GetSize());
    EXPECT_EQ(16, menu.m_nImageWidth);
    EXPECT_EQ(15, menu.m_nImageHeight);
    EXPECT_FALSE(menu.m_bLoaded);
    EXPECT_TRUE(menu.IsKindOf(RUNTIME_CLASS(CMenu)));
    EXPECT_STREQ("COwnerDrawnMenu", menu.GetRuntimeClass()->m_lpszClassName);
}

TEST(OwnerDrawnMenuLifeCycle, DestroyUnregistersEveryOccurrenceOfItsHandles)
{
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    const HMENU hOwn = menu.m_hMenu;
    const HMENU hPopup = ::CreatePopupMenu();
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPopup, L"One"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPopup, L"Two"));
    COwnerDrawnMenu::s_arrMenuHandles.Add(hOwn);
    COwnerDrawnMenu::s_arrMenuHandles.Add(hOwn);
    ASSERT_TRUE(COwnerDrawnMenu::IsHandleRegistered(hPopup));
    ASSERT_TRUE(COwnerDrawnMenu::IsMenuRegistered(&menu));
    EXPECT_EQ(2, menu.m_arrSubMenus.GetSize());

    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(hPopup));
    EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(hOwn));
    EXPECT_EQ(NULL, menu.m_hMenu);
    EXPECT_EQ(0, menu.m_arrItems.GetSize());
    EXPECT_EQ(0, menu.m_arrSubMenus.GetSize());
    EXPECT_FALSE(::IsMenu(hOwn));
    EXPECT_FALSE(::IsMenu(hPopup)) << "a plain pop-up goes with the menu that holds it";
    EXPECT_FALSE(COwnerDrawnMenu::IsMenuRegistered(NULL));
}

TEST(OwnerDrawnMenuLifeCycle, APopupObjectOwnedBySomeoneElseSurvivesTheMenuThatHoldsIt)
{
    COwnerDrawnMenu foreign;  // the caller's own object, not the holder's to delete
    ASSERT_TRUE(foreign.CreatePopupMenu());
    ASSERT_TRUE(foreign.AppendOwnerDrawnItem(0, 7, L"Inside"));
    const HMENU hForeign = foreign.m_hMenu;
    {
        COwnerDrawnMenu holder;
        ASSERT_TRUE(holder.CreatePopupMenu());
        ASSERT_TRUE(holder.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hForeign, L"Foreign"));
        EXPECT_TRUE(holder.DestroyMenu());
    }
    EXPECT_EQ(&foreign, CMenu::FromHandlePermanent(hForeign));
    EXPECT_TRUE(::IsMenu(hForeign)) << "the pop-up's object still holds a live menu";
    EXPECT_EQ(1u, foreign.GetMenuItemCount());
    EXPECT_EQ(1, foreign.m_arrItems.GetSize());
    EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(hForeign));
}

TEST(OwnerDrawnMenuLifeCycle, AppendedSeparatorAndPopupItems)
{
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    const HMENU hPopup = ::CreatePopupMenu();
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_CHECKED, 0, L"text of a separator"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPopup, L"Sub"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_GRAYED, 42, L"Cmd"));

    ASSERT_EQ(3, menu.m_arrItems.GetSize());
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), menu.m_arrItems[0]->m_nFlags);
    EXPECT_STREQ(L"text of a separator", menu.m_arrItems[0]->m_pszText);
    EXPECT_EQ((UINT)(MF_POPUP | MF_OWNERDRAW), menu.m_arrItems[1]->m_nFlags);
    EXPECT_EQ((UINT_PTR)hPopup, menu.m_arrItems[1]->m_nID);
    EXPECT_EQ((UINT)(MF_GRAYED | MF_OWNERDRAW), menu.m_arrItems[2]->m_nFlags);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(IsOwnerDrawn(menu.m_hMenu, i)) << "item " << i;
        EXPECT_EQ((ULONG_PTR)menu.m_arrItems[i], ItemDataAt(menu.m_hMenu, i)) << "item " << i;
    }
    EXPECT_TRUE(StateAt(menu.m_hMenu, 0) & MF_SEPARATOR);
    ASSERT_EQ(1, menu.m_arrSubMenus.GetSize());
    EXPECT_EQ(hPopup, menu.m_arrSubMenus[0]);
    EXPECT_TRUE(COwnerDrawnMenu::IsHandleRegistered(hPopup));
}

/////////////////////////////////////////////////////////////////////////////
// Windows version code

TEST(OwnerDrawnMenuVersion, MapsEverySystemToItsCode)
{
    struct Case { DWORD dwVersion; DWORD dwMajor; DWORD dwMinor; int nCode; const char* pszName; };
    const Case cases[] = {
        { 0x80000003, 3, 10, 0, "Windows 3.1 host (Win32s)" },
        { 0x80000A03, 0, 0, 0, "Windows 3.x, whatever GetVersionEx says" },
        { 0xC0000004, 4, 0, 2, "Windows 95" },
        { 0xC0000004, 4, 3, 2, "other 9x" },
        { 0xC0000A04, 4, 10, 3, "Windows 98" },
        { 0xC0005A04, 4, 90, 4, "Windows Me" },
        { 0x80000004, 0, 0, 2, "9x without version details" },
        { 0x05280004, 4, 0, 5, "NT 4.0" },
        { 0x08930005, 5, 0, 6, "2000" },
        { 0x0A280105, 5, 1, 7, "XP" },
        { 0x0ECE0205, 5, 2, 1, "Server 2003 (5.2)" },
        { 0x17700006, 6, 0, 1, "Vista" },
        { 0x1DB10106, 6, 1, 1, "7" },
        { 0x4A61000A, 10, 0, 1, "10" },
        { 0x03330351, 3, 51, 1, "NT 3.51" },
        { 0x00000005, 0, 0, 1, "NT without version details" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.nCode, COwnerDrawnMenu::MapWindowsVersionCode(c.dwVersion, c.dwMajor, c.dwMinor))
            << c.pszName;
    }
}

TEST(OwnerDrawnMenuVersion, StartUpCodeMatchesTheRunningSystem)
{
    OSVERSIONINFOA info;
    memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(::GetVersionExA(&info));
    const int nExpected = COwnerDrawnMenu::MapWindowsVersionCode(::GetVersion(), info.dwMajorVersion,
                                                                 info.dwMinorVersion);
    EXPECT_EQ(nExpected, COwnerDrawnMenu::GetWindowsVersionCode());
    EXPECT_EQ(nExpected, COwnerDrawnMenu::s_nWindowsVersion) << "computed before the tests started";
}

/////////////////////////////////////////////////////////////////////////////
// Loading

TEST(OwnerDrawnMenuLoad, OnePopupWithSeparatorBecomesAPlainBarOverOwnerDrawnItems)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    EXPECT_TRUE(bar.m_bLoaded);
    ASSERT_EQ(1u, bar.GetMenuItemCount());
    const HMENU hFile = ::GetSubMenu(bar.m_hMenu, 0);
    ASSERT_NE(nullptr, hFile);

    // The bar's entry is a plain pop-up entry with its text, drawn by the system.
    EXPECT_FALSE(IsOwnerDrawn(bar.m_hMenu, 0));
    CString strEntry;
    bar.GetMenuString(0, strEntry, MF_BYPOSITION);
    EXPECT_STREQ("&File", strEntry);
    ASSERT_EQ(1, bar.m_arrItems.GetSize());
    EXPECT_EQ((UINT)(MF_BYPOSITION | MF_POPUP), bar.m_arrItems[0]->m_nFlags);
    ASSERT_EQ(1, bar.m_arrSubMenus.GetSize());
    EXPECT_EQ(hFile, bar.m_arrSubMenus[0]);
    EXPECT_TRUE(COwnerDrawnMenu::IsHandleRegistered(hFile));

    COwnerDrawnMenu* pFile = OwnerDrawnOf(hFile);
    ASSERT_NE(nullptr, pFile) << "every pop-up gets an owner-drawn menu object";
    ASSERT_EQ(3u, pFile->GetMenuItemCount());
    ASSERT_EQ(3, pFile->m_arrItems.GetSize());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(IsOwnerDrawn(hFile, i)) << "item " << i;
        EXPECT_EQ((ULONG_PTR)pFile->m_arrItems[i], ItemDataAt(hFile, i)) << "item " << i;
        EXPECT_FALSE(pFile->m_arrItems[i]->m_nFlags & MF_END) << "item " << i;
    }
    EXPECT_EQ((UINT)ID_TEST_OPEN, ::GetMenuItemID(hFile, 0));
    EXPECT_TRUE(StateAt(hFile, 1) & MF_SEPARATOR);
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), pFile->m_arrItems[1]->m_nFlags);
    EXPECT_EQ((UINT)ID_TEST_EXIT, ::GetMenuItemID(hFile, 2));
    EXPECT_STREQ("E&xit", TextOf(pFile, 2));
    const CString strOpen = TextOf(pFile, 0);
    EXPECT_EQ(0, strOpen.Find("&Open ")) << "padded: " << (LPCSTR)strOpen;
    EXPECT_EQ(strOpen.GetLength() - 7, strOpen.Find("\tCtrl+O")) << (LPCSTR)strOpen;
    EXPECT_FALSE(pFile->m_bLoaded);
}

TEST(OwnerDrawnMenuLoad, NestedPopupsStateBitsAndTopLevelCommand)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    ASSERT_EQ(3u, bar.GetMenuItemCount());

    // Top level: "&Edit" pop-up, "&Help" command, "&View" pop-up, all plain entries.
    EXPECT_EQ((UINT)(MF_BYPOSITION | MF_POPUP), bar.m_arrItems[0]->m_nFlags);
    EXPECT_EQ((UINT)MF_BYPOSITION, bar.m_arrItems[1]->m_nFlags);
    EXPECT_EQ((UINT)(MF_BYPOSITION | MF_POPUP), bar.m_arrItems[2]->m_nFlags);
    EXPECT_EQ((UINT)ID_TEST_HELP, ::GetMenuItemID(bar.m_hMenu, 1));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(IsOwnerDrawn(bar.m_hMenu, i)) << "entry " << i;
    CString strHelp;
    bar.GetMenuString(1, strHelp, MF_BYPOSITION);
    EXPECT_STREQ("&Help", strHelp);

    const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0);
    COwnerDrawnMenu* pEdit = OwnerDrawnOf(hEdit);
    ASSERT_NE(nullptr, pEdit);
    ASSERT_EQ(3, pEdit->m_arrItems.GetSize());
    EXPECT_EQ((UINT)(MF_CHECKED | MF_OWNERDRAW), pEdit->m_arrItems[0]->m_nFlags);
    EXPECT_TRUE(StateAt(hEdit, 0) & MF_CHECKED);
    EXPECT_TRUE(IsOwnerDrawn(hEdit, 0));
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), pEdit->m_arrItems[1]->m_nFlags) << "id 0 is a separator";
    EXPECT_STREQ(L"Separator text", pEdit->m_arrItems[1]->m_pszText) << "its record keeps the text";
    EXPECT_EQ((UINT)(MF_POPUP | MF_OWNERDRAW), pEdit->m_arrItems[2]->m_nFlags) << "MF_END never arrives";
    EXPECT_TRUE(IsOwnerDrawn(hEdit, 2)) << "pop-ups below the top level stay owner-drawn";

    const HMENU hMore = ::GetSubMenu(hEdit, 2);
    COwnerDrawnMenu* pMore = OwnerDrawnOf(hMore);
    ASSERT_NE(nullptr, pMore);
    ASSERT_EQ(2, pMore->m_arrItems.GetSize());
    EXPECT_EQ((UINT)(MF_GRAYED | MF_OWNERDRAW), pMore->m_arrItems[0]->m_nFlags);
    EXPECT_TRUE(StateAt(hMore, 0) & MF_GRAYED);

    const HMENU hDeeper = ::GetSubMenu(hMore, 1);
    COwnerDrawnMenu* pDeeper = OwnerDrawnOf(hDeeper);
    ASSERT_NE(nullptr, pDeeper);
    ASSERT_EQ(1, pDeeper->m_arrItems.GetSize());
    EXPECT_EQ((UINT)ID_TEST_BOTTOM, ::GetMenuItemID(hDeeper, 0));

    // "&Help" was read at the top level: the command closed all three open levels.
    const HMENU hView = ::GetSubMenu(bar.m_hMenu, 2);
    COwnerDrawnMenu* pView = OwnerDrawnOf(hView);
    ASSERT_NE(nullptr, pView);
    ASSERT_EQ(1, pView->m_arrItems.GetSize());
    if (::GetACP() == 936) {
        EXPECT_STREQ("打开(&O)", TextOf(pView, 0));
    }
    EXPECT_STREQ(L"\x6253\x5f00(&O)", pView->m_arrItems[0]->m_pszText);

    // Each menu registered the pop-ups it appended.
    for (HMENU h : { hEdit, hMore, hDeeper, hView })
        EXPECT_TRUE(COwnerDrawnMenu::IsHandleRegistered(h));
    EXPECT_EQ(2, bar.m_arrSubMenus.GetSize());
    EXPECT_EQ(1, pEdit->m_arrSubMenus.GetSize());
    EXPECT_EQ(1, pMore->m_arrSubMenus.GetSize());
    EXPECT_EQ(0, pDeeper->m_arrSubMenus.GetSize());

    // Destroying the bar takes every pop-up object, record and handle with it.
    const HMENU hBar = bar.m_hMenu;
    EXPECT_TRUE(bar.DestroyMenu());
    for (HMENU h : { hBar, hEdit, hMore, hDeeper, hView }) {
        EXPECT_FALSE(::IsMenu(h));
        EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(h));
        EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(h)) << "the pop-up's object is deleted";
    }
    EXPECT_EQ(0, bar.m_arrItems.GetSize());
    EXPECT_EQ(0, bar.m_arrSubMenus.GetSize());
}

TEST(OwnerDrawnMenuLoad, ByNameAndReloadReplaceTheOldContents)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    const HMENU hOldBar = bar.m_hMenu;
    const HMENU hOldFile = ::GetSubMenu(hOldBar, 0);

    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NAMED));
    EXPECT_FALSE(::IsMenu(hOldFile));
    EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(hOldFile));
    EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(hOldFile));
    ASSERT_EQ(1u, bar.GetMenuItemCount());
    ASSERT_EQ(1, bar.m_arrItems.GetSize());
    EXPECT_EQ((UINT)MF_BYPOSITION, bar.m_arrItems[0]->m_nFlags) << "a top-level command is a plain entry";
    EXPECT_EQ((UINT)ID_TEST_TOP, ::GetMenuItemID(bar.m_hMenu, 0));
    EXPECT_FALSE(IsOwnerDrawn(bar.m_hMenu, 0));
    EXPECT_EQ(0, bar.m_arrSubMenus.GetSize());
}

TEST(OwnerDrawnMenuLoad, MissingOrBrokenTemplatesFailAndLeaveTheMenuAsItWas)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    const HMENU hBar = bar.m_hMenu;
    const HMENU hFile = ::GetSubMenu(hBar, 0);
    CMenuItemData* pRecord = bar.m_arrItems[0];

    const struct { UINT nID; const char* pszWhat; } cases[] = {
        { IDR_TEST_MENU_MISSING, "no such resource" },
        { IDR_TEST_MENU_TRUNCATED, "a pop-up cut off before its items" },
        { IDR_TEST_MENU_UNTERMINATED, "a text running into the end of the resource" },
        { IDR_TEST_MENU_BAD_OFFSET, "a header pointing past the end" },
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(bar.LoadMenu(c.nID)) << c.pszWhat;
        EXPECT_EQ(hBar, bar.m_hMenu) << c.pszWhat;
        EXPECT_TRUE(::IsMenu(hBar)) << c.pszWhat;
        EXPECT_TRUE(::IsMenu(hFile)) << c.pszWhat;
        ASSERT_EQ(1, bar.m_arrItems.GetSize()) << c.pszWhat;
        EXPECT_EQ(pRecord, bar.m_arrItems[0]) << c.pszWhat;
        EXPECT_TRUE(COwnerDrawnMenu::IsHandleRegistered(hFile)) << c.pszWhat;
        EXPECT_NE(nullptr, OwnerDrawnOf(hFile)) << c.pszWhat;
    }
    EXPECT_FALSE(bar.LoadMenu("NO_SUCH_MENU"));
    EXPECT_EQ(hBar, bar.m_hMenu);

    COwnerDrawnMenu empty;
    EXPECT_FALSE(empty.LoadMenu(IDR_TEST_MENU_TRUNCATED));
    EXPECT_EQ(NULL, empty.m_hMenu);
    EXPECT_FALSE(empty.m_bLoaded);
}

// Blocks in use on the C runtime's heap, where new and new[] allocate.
long UsedHeapBlocks()
{
    _HEAPINFO info;
    info._pentry = NULL;
    long nUsed = 0;
    while (_heapwalk(&info) == _HEAPOK) {
        if (info._useflag == _USEDENTRY)
            ++nUsed;
    }
    return nUsed;
}

TEST(OwnerDrawnMenuLoad, RepeatedLoadingLeaksNeitherMenusNorMemory)
{
    const int nRounds = 200;
    // Warm up the heap and the handle maps first.
    for (int i = 0; i < 10; ++i) {
        COwnerDrawnMenu bar;
        ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    }
    std::vector<HMENU> handles;
    handles.reserve(nRounds * 5);
    const long nBefore = UsedHeapBlocks();
    for (int i = 0; i < nRounds; ++i) {
        COwnerDrawnMenu bar;
        ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
        handles.push_back(bar.m_hMenu);
        const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0);
        const HMENU hMore = ::GetSubMenu(hEdit, 2);
        handles.push_back(hEdit);
        handles.push_back(hMore);
        handles.push_back(::GetSubMenu(hMore, 1));
        handles.push_back(::GetSubMenu(bar.m_hMenu, 2));
    }
    const long nAfter = UsedHeapBlocks();
    // Each round allocates 5 menu objects and 9 records with their texts: a leak of any of them
    // leaves at least one block per round.
    EXPECT_LT(nAfter - nBefore, nRounds / 4) << "heap blocks in use before " << nBefore << ", after " << nAfter;
    int nLive = 0;
    for (HMENU h : handles)
        nLive += ::IsMenu(h) ? 1 : 0;
    EXPECT_EQ(0, nLive) << "menus still alive after their objects were destroyed";
}

TEST(OwnerDrawnMenuLoad, AcceleratorColumnPadsShortLabelsToTheWidestLabelAndASpace)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_ALIGN));
    COwnerDrawnMenu* pPopup = OwnerDrawnOf(::GetSubMenu(bar.m_hMenu, 0));
    ASSERT_NE(nullptr, pPopup);
    const CString strShort = TextOf(pPopup, 0);
    EXPECT_STREQ("A much longer label", TextOf(pPopup, 1)) << "a text without a tab is left alone";
    const int nTab = strShort.Find('\t');
    ASSERT_GT(nTab, 2);
    EXPECT_STREQ("\tCtrl+S", strShort.Mid(nTab));
    const CString strLabel = strShort.Left(nTab);
    EXPECT_EQ(0, strLabel.Find("&S "));

    // Measured the way the menu measures: the menu font on the desktop's DC.
    CFont font;
    ASSERT_TRUE(COwnerDrawnMenu::CreateMenuFont(font));
    HDC hDC = ::GetDC(::GetDesktopWindow());
    HGDIOBJ hOld = ::SelectObject(hDC, font.m_hObject);
    SIZE column = { 0, 0 }, padded = { 0, 0 }, shorter = { 0, 0 };
    ::GetTextExtentPoint32A(hDC, "A much longer label ", 20, &column);
    ::GetTextExtentPoint32A(hDC, strLabel, strLabel.GetLength(), &padded);
    ::GetTextExtentPoint32A(hDC, strLabel, strLabel.GetLength() - 1, &shorter);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(::GetDesktopWindow(), hDC);
    EXPECT_GE(padded.cx, column.cx) << "label " << (LPCSTR)strLabel;
    EXPECT_LT(shorter.cx, column.cx) << "no space more than needed";
}

/////////////////////////////////////////////////////////////////////////////
// Padding and fonts

struct CFakeMeasure
{
    int nCharWidth;   // every character but the space
    int nSpaceWidth;
    int nCallsBeforeFailure;  // -1: never fails
    int nCalls;
};

BOOL MeasureFake(void* pContext, LPCSTR lpszText, int nLength, int* pnWidth)
{
    CFakeMeasure* p = (CFakeMeasure*)pContext;
    if (p->nCallsBeforeFailure >= 0 && p->nCalls >= p->nCallsBeforeFailure)
        return FALSE;
    ++p->nCalls;
    int w = 0;
    for (int i = 0; i < nLength; ++i)
        w += lpszText[i] == ' ' ? p->nSpaceWidth : p->nCharWidth;
    *pnWidth = w;
    return TRUE;
}

TEST(OwnerDrawnMenuPadding, PadsUntilWideEnoughAndAlwaysEnds)
{
    CFakeMeasure normal = { 7, 4, -1, 0 };
    EXPECT_STREQ("Ab   ", COwnerDrawnMenu::PadLabelToWidth("Ab", 25, MeasureFake, &normal));
    CFakeMeasure wide = { 7, 4, -1, 0 };
    EXPECT_STREQ("Abcd", COwnerDrawnMenu::PadLabelToWidth("Abcd", 25, MeasureFake, &wide)) << "already wide enough";

    CFakeMeasure zeroSpace = { 7, 0, -1, 0 };
    EXPECT_STREQ("Ab ", COwnerDrawnMenu::PadLabelToWidth("Ab", 25, MeasureFake, &zeroSpace))
        << "a space of no width ends the padding";
    CFakeMeasure failsLater = { 7, 4, 1, 0 };
    EXPECT_STREQ("Ab ", COwnerDrawnMenu::PadLabelToWidth("Ab", 25, MeasureFake, &failsLater));
    CFakeMeasure failsAtOnce = { 7, 4, 0, 0 };
    EXPECT_STREQ("Ab", COwnerDrawnMenu::PadLabelToWidth("Ab", 25, MeasureFake, &failsAtOnce));
}

int g_nQueries = 0;
UINT g_arrQuerySizes[4];

BOOL WINAPI AcceptsOnlyTheOldSize(UINT uiAction, UINT uiParam, PVOID pvParam, UINT /*fWinIni*/)
{
    NONCLIENTMETRICSA* pMetrics = (NONCLIENTMETRICSA*)pvParam;
    if (g_nQueries < 4)
        g_arrQuerySizes[g_nQueries] = uiParam;
    ++g_nQueries;
    if (uiAction != SPI_GETNONCLIENTMETRICS || uiParam != sizeof(NONCLIENTMETRICSA)
        || pMetrics->cbSize != sizeof(NONCLIENTMETRICSA))
        return FALSE;
    lstrcpyA(pMetrics->lfMenuFont.lfFaceName, "OldSystemFace");
    pMetrics->lfMenuFont.lfHeight = -11;
    return TRUE;
}

BOOL WINAPI RefusesScribbling(UINT /*uiAction*/, UINT uiParam, PVOID pvParam, UINT /*fWinIni*/)
{
    ++g_nQueries;
    memset(pvParam, 0x5A, uiParam);  // leaves garbage behind, as a failing call may
    return FALSE;
}

TEST(OwnerDrawnMenuFont, RetriesWithTheOlderStructureThenFallsBackToTheDefaultGuiFont)
{
    LOGFONTA lf;
    g_nQueries = 0;
    COwnerDrawnMenu::GetMenuLogFont(&lf, AcceptsOnlyTheOldSize);
    ASSERT_EQ(2, g_nQueries);
    EXPECT_EQ(344u, g_arrQuerySizes[0]);
    EXPECT_EQ(340u, g_arrQuerySizes[1]);
    EXPECT_STREQ("OldSystemFace", lf.lfFaceName);
    EXPECT_EQ(-11, lf.lfHeight);

    LOGFONTA lfDefault;
    ASSERT_NE(0, ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lfDefault), &lfDefault));
    g_nQueries = 0;
    memset(&lf, 0x33, sizeof(lf));
    COwnerDrawnMenu::GetMenuLogFont(&lf, RefusesScribbling);
    EXPECT_EQ(2, g_nQueries);
    EXPECT_STREQ(lfDefault.lfFaceName, lf.lfFaceName) << "the default GUI font, not the garbage";
    EXPECT_EQ(lfDefault.lfHeight, lf.lfHeight);
    EXPECT_EQ(lfDefault.lfWeight, lf.lfWeight);
    EXPECT_EQ(lfDefault.lfCharSet, lf.lfCharSet);

    NONCLIENTMETRICSA metrics;
    memset(&metrics, 0, sizeof(metrics));
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    COwnerDrawnMenu::GetMenuLogFont(&lf);
    EXPECT_STREQ(metrics.lfMenuFont.lfFaceName, lf.lfFaceName);
    EXPECT_EQ(metrics.lfMenuFont.lfHeight, lf.lfHeight);
}

/////////////////////////////////////////////////////////////////////////////
// Keeping records in step with the live menu

TEST(OwnerDrawnMenuSync, InsertedEntryGetsAFreshRecordAndTheOthersKeepTheirs)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    const HMENU hFile = ::GetSubMenu(bar.m_hMenu, 0);
    COwnerDrawnMenu* pFile = OwnerDrawnOf(hFile);
    ASSERT_NE(nullptr, pFile);
    CMenuItemData* pOpen = pFile->m_arrItems[0];
    CMenuItemData* pSeparator = pFile->m_arrItems[1];
    CMenuItemData* pExit = pFile->m_arrItems[2];

    ASSERT_TRUE(::InsertMenuA(hFile, 1, MF_BYPOSITION | MF_STRING | MF_CHECKED, 150, "&New"));
    pFile->SynchronizeItems();

    ASSERT_EQ(4, pFile->m_arrItems.GetSize());
    EXPECT_EQ(pOpen, pFile->m_arrItems[0]);
    EXPECT_EQ(pSeparator, pFile->m_arrItems[2]);
    EXPECT_EQ(pExit, pFile->m_arrItems[3]);
    CMenuItemData* pNew = pFile->m_arrItems[1];
    EXPECT_STREQ("&New", pNew->GetAnsiText());
    EXPECT_EQ((UINT_PTR)150, pNew->m_nID);
    EXPECT_TRUE(pNew->m_nFlags & MF_OWNERDRAW);
    EXPECT_TRUE(pNew->m_nFlags & MF_CHECKED);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(IsOwnerDrawn(hFile, i)) << "entry " << i;
        EXPECT_EQ((ULONG_PTR)pFile->m_arrItems[i], ItemDataAt(hFile, i)) << "entry " << i;
    }
    EXPECT_TRUE(StateAt(hFile, 1) & MF_CHECKED);
    EXPECT_EQ((UINT)150, ::GetMenuItemID(hFile, 1));
    EXPECT_EQ(0, pOpen->GetAnsiText().Find("&Open")) << "an owner-drawn entry keeps its record's text";
}

TEST(OwnerDrawnMenuSync, RemovedEntriesLoseTheirRecordsAndPopupsKeepTheirs)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0);
    COwnerDrawnMenu* pEdit = OwnerDrawnOf(hEdit);
    ASSERT_NE(nullptr, pEdit);
    CMenuItemData* pSeparator = pEdit->m_arrItems[1];
    CMenuItemData* pMore = pEdit->m_arrItems[2];

    ASSERT_TRUE(::RemoveMenu(hEdit, 0, MF_BYPOSITION));  // "&Undo"
    ASSERT_TRUE(::AppendMenuA(hEdit, MF_SEPARATOR, 0, NULL));
    pEdit->SynchronizeItems();

    ASSERT_EQ(3, pEdit->m_arrItems.GetSize());
    EXPECT_EQ(pSeparator, pEdit->m_arrItems[0]) << "separators are matched in order";
    EXPECT_EQ(pMore, pEdit->m_arrItems[1]) << "the pop-up entry keeps its record";
    EXPECT_STREQ(L"&More", pMore->m_pszText);
    CMenuItemData* pAdded = pEdit->m_arrItems[2];
    EXPECT_NE(pSeparator, pAdded);
    EXPECT_TRUE(pAdded->m_nFlags & MF_SEPARATOR);
    EXPECT_TRUE(IsOwnerDrawn(hEdit, 2));
    for (int i = 0; i < 3; ++i)
        EXPECT_NE((UINT_PTR)ID_TEST_UNDO, pEdit->m_arrItems[i]->m_nID);
    EXPECT_EQ((ULONG_PTR)pEdit->m_arrItems[2], ItemDataAt(hEdit, 2));
}

TEST(OwnerDrawnMenuSync, UnknownPopupEntryBecomesOwnerDrawnAndItemTextByPosition)
{
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 5, L"Five"));
    const HMENU hSub = ::CreatePopupMenu();
    ASSERT_TRUE(::AppendMenuA(hSub, MF_STRING, 6, "x"));
    ASSERT_TRUE(::AppendMenuA(menu.m_hMenu, MF_POPUP | MF_STRING | MF_GRAYED, (UINT_PTR)hSub, "&Sub"));
    menu.SynchronizeItems();

    ASSERT_EQ(2, menu.m_arrItems.GetSize());
    CMenuItemData* pSub = menu.m_arrItems[1];
    EXPECT_EQ((UINT_PTR)hSub, pSub->m_nID);
    EXPECT_STREQ("&Sub", pSub->GetAnsiText());
    EXPECT_EQ((UINT)(MF_POPUP | MF_OWNERDRAW | MF_BYPOSITION | MF_GRAYED), pSub->m_nFlags);
    EXPECT_TRUE(IsOwnerDrawn(menu.m_hMenu, 1));
    EXPECT_EQ(hSub, ::GetSubMenu(menu.m_hMenu, 1));
    EXPECT_TRUE(::IsMenu(hSub)) << "making the entry owner-drawn keeps its pop-up";

    CString strText = "unchanged";
    EXPECT_FALSE(menu.GetItemTextByPosition(-1, strText));
    EXPECT_FALSE(menu.GetItemTextByPosition(2, strText));
    EXPECT_STREQ("unchanged", strText);
    EXPECT_TRUE(menu.GetItemTextByPosition(0, strText));
    EXPECT_STREQ("Five", strText);
    EXPECT_EQ(0, menu.GetMenuPositionOffset()) << "not loaded";
}

/////////////////////////////////////////////////////////////////////////////
// Mnemonics

const LRESULT EXECUTE = (LRESULT)MNC_EXECUTE << 16;

TEST(OwnerDrawnMenuMnemonic, MatchesInEitherCaseFirstPositionAndAcceleratorText)
{
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 1, L"&Open"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 2, L"Clo&se"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 0, NULL));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 3, L"&Print\tCtrl+&K"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 4, L"&Second with p"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 5, L"A&&Z"));

    EXPECT_EQ(EXECUTE + 1, COwnerDrawnMenu::FindMnemonicItem('s', MF_POPUP, &menu));
    EXPECT_EQ(EXECUTE + 1, COwnerDrawnMenu::FindMnemonicItem('S', MF_POPUP, &menu));
    EXPECT_EQ(EXECUTE + 0, COwnerDrawnMenu::FindMnemonicItem('O', MF_POPUP, &menu));
    EXPECT_EQ(EXECUTE + 3, COwnerDrawnMenu::FindMnemonicItem('k', MF_POPUP, &menu)) << "accelerator text";
    EXPECT_EQ(EXECUTE + 3, COwnerDrawnMenu::FindMnemonicItem('p', MF_POPUP, &menu));
    EXPECT_EQ(EXECUTE + 5, COwnerDrawnMenu::FindMnemonicItem('z', MF_POPUP, &menu)) << "behind a doubled &";
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('q', MF_POPUP, &menu));
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('l', MF_POPUP, &menu)) << "no & before it";
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('s', MF_SYSMENU, &menu)) << "not a pop-up";
}

TEST(OwnerDrawnMenuMnemonic, MenusWithoutAnOwnerDrawnObjectAreIgnored)
{
    const HMENU hPlain = ::CreatePopupMenu();
    ASSERT_TRUE(::AppendMenuA(hPlain, MF_STRING, 1, "&Open"));
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('o', MF_POPUP, CMenu::FromHandle(hPlain)));
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('o', MF_POPUP, NULL));
    CMenu plain;
    plain.Attach(hPlain);
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('o', MF_POPUP, &plain));
}

TEST(OwnerDrawnMenuMnemonic, LivePopupWithOneItemMoreIsResynchronisedFirst)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    const HMENU hFile = ::GetSubMenu(bar.m_hMenu, 0);
    COwnerDrawnMenu* pFile = OwnerDrawnOf(hFile);
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(::InsertMenuA(hFile, 0, MF_BYPOSITION | MF_STRING, 160, "&Zeta"));

    EXPECT_EQ(EXECUTE + 0, COwnerDrawnMenu::FindMnemonicItem('Z', MF_POPUP, pFile));
    EXPECT_EQ(4, pFile->m_arrItems.GetSize());
    EXPECT_TRUE(IsOwnerDrawn(hFile, 0));
    EXPECT_EQ(EXECUTE + 3, COwnerDrawnMenu::FindMnemonicItem('x', MF_POPUP, pFile)) << "the others moved down";
}

TEST(OwnerDrawnMenuMnemonic, ChineseLabelWithMnemonic)
{
    if (::GetACP() != 936)
        GTEST_SKIP() << "needs code page 936; ACP is " << ::GetACP();
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 1, L"\x6253\x5f00(&O)"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 2, L"\x5173\x95ed(&C)"));
    EXPECT_EQ(EXECUTE + 1, COwnerDrawnMenu::FindMnemonicItem('c', MF_POPUP, &menu));
    EXPECT_EQ(EXECUTE + 0, COwnerDrawnMenu::FindMnemonicItem('O', MF_POPUP, &menu));
}

} // namespace
