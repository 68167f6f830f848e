// Tests of COwnerDrawnMenu's records, life cycle, version code, loading from menu templates,
// synchronisation with the live menu, mnemonics, and the font and padding fallbacks.
#include <gtest/gtest.h>

#include <malloc.h>

#include <vector>

#include "menu_test_support.h"
#include "test_menus.h"

namespace
{

COwnerDrawnMenu* OwnerDrawnOf(HMENU hMenu)
{
    return DYNAMIC_DOWNCAST(COwnerDrawnMenu, CMenu::FromHandlePermanent(hMenu));
}

// The live entry's type bits and item data (GetMenuState cannot tell owner-drawn for a pop-up
// entry: its high byte is the item count).
MENUITEMINFOA Entry(HMENU hMenu, int nPos)
{
    MENUITEMINFOA info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_STATE;
    ::GetMenuItemInfoA(hMenu, nPos, TRUE, &info);
    return info;
}

// Every entry is owner-drawn with record i as its data.
::testing::AssertionResult EntriesUseRecords(const COwnerDrawnMenu* p)
{
    if ((INT_PTR)::GetMenuItemCount(p->m_hMenu) != p->m_arrItems.GetSize())
        return ::testing::AssertionFailure() << ::GetMenuItemCount(p->m_hMenu) << " entries, "
                                             << p->m_arrItems.GetSize() << " records";
    for (int i = 0; i < ::GetMenuItemCount(p->m_hMenu); ++i) {
        const MENUITEMINFOA e = Entry(p->m_hMenu, i);
        if (!(e.fType & MFT_OWNERDRAW) || e.dwItemData != (ULONG_PTR)p->m_arrItems[i])
            return ::testing::AssertionFailure() << "entry " << i << " is not drawn from record " << i;
    }
    return ::testing::AssertionSuccess();
}

TEST(MenuItemData, TextConversions)
{
    CMenuItemData item;
    item.SetAnsiText(NULL);
    EXPECT_EQ(nullptr, item.m_pszText);
    EXPECT_STREQ("", item.GetAnsiText());
    item.SetWideText(L"&Open\tCtrl+O");
    item.SetWideText(item.m_pszText);  // its own text: copied before the old one is freed
    EXPECT_STREQ("&Open\tCtrl+O", item.GetAnsiText());
    if (::GetACP() == 936) {
        item.SetAnsiText("打开(&O)");
        EXPECT_STREQ(L"\x6253\x5f00(&O)", item.m_pszText);
        EXPECT_STREQ("打开(&O)", item.GetAnsiText());
    }
    // Three bytes per unit in UTF-8: a buffer of two bytes per unit would lose the whole text.
    EXPECT_STREQ("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", CMenuItemData::WideToAnsi(L"\x4e2d\x6587\x5b57", CP_UTF8));
    EXPECT_STREQ("", CMenuItemData::WideToAnsi(L"abc", 54321));  // no such code page
    EXPECT_EQ(nullptr, CMenuItemData::AnsiToWide("abc", 54321));
}

TEST(OwnerDrawnMenuVersion, MapsEverySystemToItsCode)
{
    const struct { DWORD dwVersion, dwMajor, dwMinor; int nCode; } cases[] = {
        { 0x80000003, 3, 10, 0 }, { 0xC0000004, 4, 0, 2 }, { 0xC0000A04, 4, 10, 3 }, { 0xC0005A04, 4, 90, 4 },
        { 0x80000004, 0, 0, 2 },  { 0x05280004, 4, 0, 5 }, { 0x08930005, 5, 0, 6 },  { 0x0A280105, 5, 1, 7 },
        { 0x0ECE0205, 5, 2, 1 },  { 0x17700006, 6, 0, 1 }, { 0x4A61000A, 10, 0, 1 }, { 0x03330351, 3, 51, 1 },
        { 0x00000005, 0, 0, 1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.nCode, COwnerDrawnMenu::MapWindowsVersionCode(c.dwVersion, c.dwMajor, c.dwMinor))
            << std::hex << c.dwVersion << " " << c.dwMajor << "." << c.dwMinor;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(::GetVersionExA(&info));
    EXPECT_EQ(COwnerDrawnMenu::MapWindowsVersionCode(::GetVersion(), info.dwMajorVersion, info.dwMinorVersion),
              COwnerDrawnMenu::s_nWindowsVersion) << "computed before the tests started";
}

TEST(OwnerDrawnMenu, DestroyUnregistersEveryOccurrenceAndSparesForeignPopupObjects)
{
    COwnerDrawnMenu never;
    EXPECT_FALSE(never.DestroyMenu());

    COwnerDrawnMenu foreign;  // someone else's pop-up object
    ASSERT_TRUE(foreign.CreatePopupMenu());
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    const HMENU hOwn = menu.m_hMenu, hPlain = ::CreatePopupMenu();
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPlain, L"Plain"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPlain, L"Twice"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)foreign.m_hMenu, L"Foreign"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_CHECKED, 0, L"separator text"));
    COwnerDrawnMenu::s_arrMenuHandles.Add(hOwn);
    COwnerDrawnMenu::s_arrMenuHandles.Add(hOwn);
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), menu.m_arrItems[3]->m_nFlags) << "id 0: a separator";
    EXPECT_STREQ(L"separator text", menu.m_arrItems[3]->m_pszText);
    EXPECT_TRUE(EntriesUseRecords(&menu));
    EXPECT_TRUE(COwnerDrawnMenu::IsMenuRegistered(&menu) && COwnerDrawnMenu::IsHandleRegistered(hPlain));

    EXPECT_TRUE(menu.DestroyMenu());
    for (HMENU h : { hOwn, hPlain, foreign.m_hMenu })
        EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(h));
    EXPECT_EQ(0, menu.m_arrItems.GetSize() + menu.m_arrSubMenus.GetSize());
    EXPECT_FALSE(::IsMenu(hOwn) || ::IsMenu(hPlain)) << "a plain pop-up goes with its menu";
    EXPECT_TRUE(::IsMenu(foreign.m_hMenu)) << "the foreign object keeps a live menu";
    EXPECT_EQ(&foreign, CMenu::FromHandlePermanent(foreign.m_hMenu));
}

TEST(OwnerDrawnMenuLoad, NestedPopupsMfEndAtEveryLevelAndTheirOwnership)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    EXPECT_TRUE(bar.m_bLoaded);
    // Top level: "&Edit" pop-up, "&Help" command (read after "&Bottom" closed three levels),
    // "&View" pop-up; plain entries drawn by the system.
    ASSERT_EQ(3, bar.m_arrItems.GetSize());
    const UINT arrTopFlags[] = { MF_BYPOSITION | MF_POPUP, MF_BYPOSITION, MF_BYPOSITION | MF_POPUP };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(arrTopFlags[i], bar.m_arrItems[i]->m_nFlags) << "entry " << i;
        EXPECT_FALSE(Entry(bar.m_hMenu, i).fType & MFT_OWNERDRAW) << "entry " << i;
    }
    CString strHelp;
    bar.GetMenuString(1, strHelp, MF_BYPOSITION);
    EXPECT_STREQ("&Help", strHelp);
    EXPECT_EQ((UINT)ID_TEST_HELP, ::GetMenuItemID(bar.m_hMenu, 1));

    const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0), hView = ::GetSubMenu(bar.m_hMenu, 2);
    const HMENU hMore = ::GetSubMenu(hEdit, 2), hDeeper = ::GetSubMenu(hMore, 1);
    COwnerDrawnMenu* pEdit = OwnerDrawnOf(hEdit);
    COwnerDrawnMenu* pMore = OwnerDrawnOf(hMore);
    ASSERT_TRUE(pEdit && pMore && OwnerDrawnOf(hDeeper) && OwnerDrawnOf(hView));
    for (const COwnerDrawnMenu* p : { pEdit, pMore, OwnerDrawnOf(hDeeper), OwnerDrawnOf(hView) })
        EXPECT_TRUE(EntriesUseRecords(p));
    EXPECT_EQ((UINT)(MF_CHECKED | MF_OWNERDRAW), pEdit->m_arrItems[0]->m_nFlags);
    EXPECT_TRUE(Entry(hEdit, 0).fState & MFS_CHECKED);
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), pEdit->m_arrItems[1]->m_nFlags) << "id 0 with a text";
    EXPECT_STREQ(L"Separator text", pEdit->m_arrItems[1]->m_pszText);
    EXPECT_EQ((UINT)(MF_POPUP | MF_OWNERDRAW), pEdit->m_arrItems[2]->m_nFlags) << "MF_END never arrives";
    EXPECT_EQ((UINT)(MF_GRAYED | MF_OWNERDRAW), pMore->m_arrItems[0]->m_nFlags);
    EXPECT_EQ((UINT)ID_TEST_BOTTOM, ::GetMenuItemID(hDeeper, 0));
    EXPECT_STREQ(L"\x6253\x5f00(&O)", OwnerDrawnOf(hView)->m_arrItems[0]->m_pszText);
    EXPECT_TRUE(bar.m_arrSubMenus.GetSize() == 2 && pEdit->m_arrSubMenus.GetSize() == 1 &&
                pMore->m_arrSubMenus.GetSize() == 1 && pMore->m_arrSubMenus[0] == hDeeper);
    for (HMENU h : { hEdit, hMore, hDeeper, hView })
        EXPECT_TRUE(COwnerDrawnMenu::IsHandleRegistered(h));

    const HMENU hBar = bar.m_hMenu;
    EXPECT_TRUE(bar.DestroyMenu());
    for (HMENU h : { hBar, hEdit, hMore, hDeeper, hView }) {
        EXPECT_FALSE(::IsMenu(h) || COwnerDrawnMenu::IsHandleRegistered(h));
        EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(h)) << "pop-up objects are deleted";
    }
}

TEST(OwnerDrawnMenuLoad, ByNameReplacesAndBadTemplatesChangeNothing)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    const HMENU hOldFile = ::GetSubMenu(bar.m_hMenu, 0);
    COwnerDrawnMenu* pFile = OwnerDrawnOf(hOldFile);
    ASSERT_NE(nullptr, pFile);
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), pFile->m_arrItems[1]->m_nFlags);
    EXPECT_TRUE(EntriesUseRecords(pFile));

    const HMENU hBar = bar.m_hMenu;
    CMenuItemData* pRecord = bar.m_arrItems[0];
    for (UINT nID : { IDR_TEST_MENU_MISSING, IDR_TEST_MENU_TRUNCATED, IDR_TEST_MENU_UNTERMINATED,
                      IDR_TEST_MENU_BAD_OFFSET }) {
        EXPECT_FALSE(bar.LoadMenu(nID)) << nID;
        EXPECT_TRUE(bar.m_hMenu == hBar && ::IsMenu(hOldFile) && bar.m_arrItems.GetSize() == 1 &&
                    bar.m_arrItems[0] == pRecord && COwnerDrawnMenu::IsHandleRegistered(hOldFile))
            << "template " << nID << " changed the menu";
    }
    COwnerDrawnMenu empty;
    EXPECT_FALSE(empty.LoadMenu(IDR_TEST_MENU_TRUNCATED));
    EXPECT_EQ(NULL, empty.m_hMenu);

    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NAMED));
    EXPECT_FALSE(::IsMenu(hOldFile) || COwnerDrawnMenu::IsHandleRegistered(hOldFile));
    ASSERT_EQ(1, bar.m_arrItems.GetSize());
    EXPECT_EQ((UINT)MF_BYPOSITION, bar.m_arrItems[0]->m_nFlags) << "a top-level command";
    EXPECT_EQ((UINT)ID_TEST_TOP, ::GetMenuItemID(bar.m_hMenu, 0));
}

long UsedHeapBlocks()  // on the C runtime's heap, where new allocates
{
    _HEAPINFO info;
    info._pentry = NULL;
    long nUsed = 0;
    while (_heapwalk(&info) == _HEAPOK)
        nUsed += info._useflag == _USEDENTRY ? 1 : 0;
    return nUsed;
}

TEST(OwnerDrawnMenuLoad, RepeatedLoadingLeaksNothing)
{
    for (int i = 0; i < 10; ++i)  // warm up the heap and the handle maps
        COwnerDrawnMenu().LoadMenu(IDR_TEST_MENU_NESTED);
    std::vector<HMENU> handles(1000);
    const long nBefore = UsedHeapBlocks();
    for (size_t i = 0; i < handles.size(); i += 5) {
        COwnerDrawnMenu bar;
        ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
        handles[i] = bar.m_hMenu;
        handles[i + 1] = ::GetSubMenu(bar.m_hMenu, 0);
        handles[i + 2] = ::GetSubMenu(handles[i + 1], 2);
        handles[i + 3] = ::GetSubMenu(handles[i + 2], 1);
        handles[i + 4] = ::GetSubMenu(bar.m_hMenu, 2);
    }
    // A leaked record, text or menu object would leave at least one block per round (200 rounds).
    EXPECT_LT(UsedHeapBlocks() - nBefore, 50);
    for (HMENU h : handles)
        ASSERT_FALSE(::IsMenu(h));
}

TEST(OwnerDrawnMenuLoad, AcceleratorColumnPadsTheShortLabelJustPastTheWidestLabel)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_ALIGN));
    COwnerDrawnMenu* pPopup = OwnerDrawnOf(::GetSubMenu(bar.m_hMenu, 0));
    ASSERT_NE(nullptr, pPopup);
    EXPECT_STREQ("A much longer label", pPopup->m_arrItems[1]->GetAnsiText()) << "no tab: unchanged";
    const CString strText = pPopup->m_arrItems[0]->GetAnsiText();
    const int nTab = strText.Find('\t');
    EXPECT_STREQ("\tCtrl+S", strText.Mid(nTab));
    CFont font;
    ASSERT_TRUE(COwnerDrawnMenu::CreateMenuFont(font));
    HDC hDC = ::GetDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hDC, font.m_hObject);
    SIZE column, padded, shorter;
    ::GetTextExtentPoint32A(hDC, "A much longer label ", 20, &column);
    ::GetTextExtentPoint32A(hDC, strText, nTab, &padded);
    ::GetTextExtentPoint32A(hDC, strText, nTab - 1, &shorter);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(NULL, hDC);
    EXPECT_TRUE(padded.cx >= column.cx && shorter.cx < column.cx) << "label \"" << strText.Left(nTab) << "\"";
}

BOOL MeasureFake(void* pContext, LPCSTR lpszText, int nLength, int* pnWidth)
{
    int* p = (int*)pContext;  // { letter width, space width, calls left before failing }
    if (p[2]-- == 0)
        return FALSE;
    *pnWidth = 0;
    for (int i = 0; i < nLength; ++i)
        *pnWidth += lpszText[i] == ' ' ? p[1] : p[0];
    return TRUE;
}

TEST(OwnerDrawnMenuLoad, PaddingEndsEvenWhenSpacesHaveNoWidthOrMeasuringFails)
{
    const struct { int arrFake[3]; const char* pszExpected; } cases[] = {
        { { 7, 4, -1 }, "Ab   " }, { { 7, 0, -1 }, "Ab " }, { { 7, 4, 1 }, "Ab " }, { { 7, 4, 0 }, "Ab" },
    };
    for (auto c : cases)
        EXPECT_STREQ(c.pszExpected, COwnerDrawnMenu::PadLabelToWidth("Ab", 25, MeasureFake, c.arrFake));
}

UINT g_arrSizes[2];
int g_nCalls;
BOOL WINAPI AcceptsOnly340(UINT /*uiAction*/, UINT uiParam, PVOID pvParam, UINT /*fWinIni*/)
{
    g_arrSizes[g_nCalls++ % 2] = uiParam;
    NONCLIENTMETRICSA* p = (NONCLIENTMETRICSA*)pvParam;
    if (uiParam != 340 || p->cbSize != 340)
        return FALSE;
    lstrcpyA(p->lfMenuFont.lfFaceName, "OldSystem");
    return TRUE;
}
BOOL WINAPI RefusesAndScribbles(UINT /*uiAction*/, UINT uiParam, PVOID pvParam, UINT /*fWinIni*/)
{
    memset(pvParam, 0x5A, uiParam);
    return FALSE;
}

TEST(OwnerDrawnMenuFont, RetriesWithTheOlderSizeThenFallsBackToTheDefaultGuiFont)
{
    LOGFONTA lf, lfDefault;
    COwnerDrawnMenu::GetMenuLogFont(&lf, AcceptsOnly340);
    EXPECT_EQ(2, g_nCalls);
    EXPECT_TRUE(g_arrSizes[0] == 344 && g_arrSizes[1] == 340);
    EXPECT_STREQ("OldSystem", lf.lfFaceName);
    ASSERT_NE(0, ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lfDefault), &lfDefault));
    COwnerDrawnMenu::GetMenuLogFont(&lf, RefusesAndScribbles);
    EXPECT_STREQ(lfDefault.lfFaceName, lf.lfFaceName);
    EXPECT_TRUE(lf.lfHeight == lfDefault.lfHeight && lf.lfWeight == lfDefault.lfWeight);
}

TEST(OwnerDrawnMenuSync, InsertedAndRemovedEntriesBehindTheRecordsBack)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0);
    COwnerDrawnMenu* pEdit = OwnerDrawnOf(hEdit);
    ASSERT_NE(nullptr, pEdit);
    CMenuItemData* pSeparator = pEdit->m_arrItems[1];
    CMenuItemData* pMore = pEdit->m_arrItems[2];
    const HMENU hPlain = ::CreatePopupMenu();
    ASSERT_TRUE(::RemoveMenu(hEdit, 0, MF_BYPOSITION));  // "&Undo"
    ASSERT_TRUE(::InsertMenuA(hEdit, 1, MF_BYPOSITION | MF_STRING | MF_CHECKED, 150, "&New"));
    ASSERT_TRUE(::AppendMenuA(hEdit, MF_SEPARATOR, 0, NULL));
    ASSERT_TRUE(::AppendMenuA(hEdit, MF_POPUP | MF_GRAYED, (UINT_PTR)hPlain, "&Sub"));
    pEdit->SynchronizeItems();

    ASSERT_TRUE(EntriesUseRecords(pEdit));
    EXPECT_EQ(pSeparator, pEdit->m_arrItems[0]) << "separators are matched in order";
    EXPECT_EQ(pMore, pEdit->m_arrItems[2]) << "the pop-up entry keeps its record";
    EXPECT_TRUE(pEdit->m_arrItems[1]->GetAnsiText() == "&New" && pEdit->m_arrItems[1]->m_nID == 150);
    EXPECT_EQ((UINT)(MF_CHECKED | MF_OWNERDRAW | MF_BYPOSITION), pEdit->m_arrItems[1]->m_nFlags);
    EXPECT_TRUE(pEdit->m_arrItems[3] != pSeparator && (pEdit->m_arrItems[3]->m_nFlags & MF_SEPARATOR));
    EXPECT_EQ((UINT)(MF_POPUP | MF_OWNERDRAW | MF_BYPOSITION | MF_GRAYED), pEdit->m_arrItems[4]->m_nFlags);
    EXPECT_TRUE(pEdit->m_arrItems[4]->GetAnsiText() == "&Sub" && ::GetSubMenu(hEdit, 4) == hPlain);

    CString strText = "unchanged";
    EXPECT_FALSE(pEdit->GetItemTextByPosition(-1, strText) || pEdit->GetItemTextByPosition(5, strText));
    EXPECT_STREQ("unchanged", strText);
    EXPECT_EQ(0, pEdit->GetMenuPositionOffset()) << "not loaded";
}

const LRESULT EXECUTE = (LRESULT)MNC_EXECUTE << 16;

TEST(OwnerDrawnMenuMnemonic, CaseFirstPositionAcceleratorTextAndForeignMenus)
{
    COwnerDrawnMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    for (const wchar_t* psz : { L"&Open", L"Clo&se", L"&Print\tCtrl+&K", L"&Second with p", L"A&&Z" })
        ASSERT_TRUE(menu.AppendOwnerDrawnItem(0, 1, psz));
    const struct { UINT nChar; LRESULT lResult; } cases[] = {
        { 's', EXECUTE + 1 }, { 'S', EXECUTE + 1 }, { 'O', EXECUTE + 0 }, { 'k', EXECUTE + 2 },
        { 'p', EXECUTE + 2 }, { 'z', EXECUTE + 4 }, { 'q', 0 }, { 'l', 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.lResult, COwnerDrawnMenu::FindMnemonicItem(c.nChar, MF_POPUP, &menu)) << (char)c.nChar;
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('s', MF_SYSMENU, &menu));
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('o', MF_POPUP, CMenu::FromHandle(::GetSubMenu(menu.m_hMenu, 0))));
    const HMENU hPlain = ::CreatePopupMenu();
    ::AppendMenuA(hPlain, MF_STRING, 1, "&Open");
    EXPECT_EQ(0, COwnerDrawnMenu::FindMnemonicItem('o', MF_POPUP, CMenu::FromHandle(hPlain)));
    ::DestroyMenu(hPlain);
}

TEST(OwnerDrawnMenuMnemonic, LivePopupWithOneItemMoreIsSynchronisedFirst)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    COwnerDrawnMenu* pFile = OwnerDrawnOf(::GetSubMenu(bar.m_hMenu, 0));
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(::InsertMenuA(pFile->m_hMenu, 0, MF_BYPOSITION | MF_STRING, 160, "&Zeta"));
    EXPECT_EQ(EXECUTE + 0, COwnerDrawnMenu::FindMnemonicItem('Z', MF_POPUP, pFile));
    EXPECT_TRUE(EntriesUseRecords(pFile));
    EXPECT_EQ(EXECUTE + 3, COwnerDrawnMenu::FindMnemonicItem('x', MF_POPUP, pFile)) << "\"E&xit\" moved down";
}

} // namespace
