// COwnerDrawnMenu's records and life cycle, the version code, loading from menu templates,
// synchronisation with the live menu, mnemonics, and the font and padding fallbacks.
#include <gtest/gtest.h>

#include <vector>

#include "owner_drawn_menu.h"
#include "test_menus.h"

namespace
{
COwnerDrawnMenu* OwnerDrawnOf(HMENU hMenu)
{
    return DYNAMIC_DOWNCAST(COwnerDrawnMenu, CMenu::FromHandlePermanent(hMenu));
}

// GetMenuState cannot tell an owner-drawn pop-up entry: its high byte is the item count.
MENUITEMINFOA Entry(HMENU hMenu, int nPos)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STATE;
    ::GetMenuItemInfoA(hMenu, nPos, TRUE, &info);
    return info;
}

// Every live entry is owner-drawn with record i as its data.
::testing::AssertionResult EntriesUseRecords(const COwnerDrawnMenu* p)
{
    const int nCount = ::GetMenuItemCount(p->m_hMenu);
    if (nCount != p->m_arrItems.GetSize())
        return ::testing::AssertionFailure() << nCount << " entries, " << p->m_arrItems.GetSize() << " records";
    for (int i = 0; i < nCount; ++i) {
        const MENUITEMINFOA e = Entry(p->m_hMenu, i);
        if (!(e.fType & MFT_OWNERDRAW) || e.dwItemData != (ULONG_PTR)p->m_arrItems[i])
            return ::testing::AssertionFailure() << "entry " << i << " is not drawn from record " << i;
    }
    return ::testing::AssertionSuccess();
}

TEST(MenuItemData, TextsConvertWholeInEveryCodePage)
{
    CMenuItemData item;
    item.SetWideText(L"&Open\tCtrl+O");
    item.SetWideText(item.m_pszText);  // its own text: copied before the old one is freed
    EXPECT_STREQ("&Open\tCtrl+O", item.GetAnsiText());
    // Three bytes per unit in UTF-8: a buffer of two bytes per unit would lose the whole text.
    EXPECT_STREQ("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", CMenuItemData::WideToAnsi(L"\x4e2d\x6587\x5b57", CP_UTF8));
}

TEST(OwnerDrawnMenuVersion, SevenOnlyForXPAndOneForLaterSystems)
{
    const struct { DWORD dwVersion, dwMajor, dwMinor; int nCode; } cases[] = {
        { 0x80000003, 3, 10, 0 }, { 0xC0000A04, 4, 10, 3 }, { 0x08930005, 5, 0, 6 },
        { 0x0A280105, 5, 1, 7 },  { 0x0ECE0205, 5, 2, 1 },  { 0x17700006, 6, 0, 1 } };
    for (const auto& c : cases)
        EXPECT_EQ(c.nCode, COwnerDrawnMenu::MapWindowsVersionCode(c.dwVersion, c.dwMajor, c.dwMinor))
            << c.dwMajor << "." << c.dwMinor;
}

TEST(OwnerDrawnMenu, DestroyUnregistersEveryOccurrenceAndSparesForeignPopupObjects)
{
    COwnerDrawnMenu never, foreign, menu;
    EXPECT_FALSE(never.DestroyMenu());
    ASSERT_TRUE(foreign.CreatePopupMenu() && menu.CreatePopupMenu());
    const HMENU hOwn = menu.m_hMenu, hPlain = ::CreatePopupMenu();
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPlain, L"Plain"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)hPlain, L"Twice"));
    ASSERT_TRUE(menu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)foreign.m_hMenu, L"Foreign"));
    COwnerDrawnMenu::s_arrMenuHandles.Add(hOwn);
    COwnerDrawnMenu::s_arrMenuHandles.Add(hOwn);
    EXPECT_TRUE(COwnerDrawnMenu::IsMenuRegistered(&menu) && COwnerDrawnMenu::IsHandleRegistered(hPlain));

    EXPECT_TRUE(menu.DestroyMenu());
    for (HMENU h : { hOwn, hPlain, foreign.m_hMenu })
        EXPECT_FALSE(COwnerDrawnMenu::IsHandleRegistered(h));
    EXPECT_EQ(0, menu.m_arrItems.GetSize() + menu.m_arrSubMenus.GetSize());
    EXPECT_FALSE(::IsMenu(hOwn) || ::IsMenu(hPlain)) << "a plain pop-up goes with its menu";
    EXPECT_TRUE(::IsMenu(foreign.m_hMenu) && CMenu::FromHandlePermanent(foreign.m_hMenu) == &foreign)
        << "the foreign object keeps a live menu";
}

TEST(OwnerDrawnMenuLoad, NestedPopupsMfEndAtEveryLevelRecordsAndRegisteredHandles)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    // "&Edit", "&Help" (read after "&Bottom" closed three levels), "&View": plain entries.
    ASSERT_EQ(3, bar.m_arrItems.GetSize());
    EXPECT_EQ((UINT)ID_TEST_HELP, ::GetMenuItemID(bar.m_hMenu, 1));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(bar.m_arrItems[i]->m_nFlags == (UINT)(i == 1 ? MF_BYPOSITION : MF_BYPOSITION | MF_POPUP) &&
                    !(Entry(bar.m_hMenu, i).fType & MFT_OWNERDRAW)) << i;
    const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0), hView = ::GetSubMenu(bar.m_hMenu, 2);
    const HMENU hMore = ::GetSubMenu(hEdit, 2), hDeeper = ::GetSubMenu(hMore, 1);
    COwnerDrawnMenu *pEdit = OwnerDrawnOf(hEdit), *pMore = OwnerDrawnOf(hMore);
    ASSERT_TRUE(pEdit && pMore && OwnerDrawnOf(hDeeper) && OwnerDrawnOf(hView));
    for (HMENU h : { hEdit, hMore, hDeeper, hView })
        EXPECT_TRUE(EntriesUseRecords(OwnerDrawnOf(h)) && COwnerDrawnMenu::IsHandleRegistered(h));
    // State bits stay beside MF_OWNERDRAW, MF_END never arrives, and id 0 makes a separator.
    EXPECT_EQ((UINT)(MF_CHECKED | MF_OWNERDRAW), pEdit->m_arrItems[0]->m_nFlags);
    EXPECT_TRUE(Entry(hEdit, 0).fState & MFS_CHECKED);
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), pEdit->m_arrItems[1]->m_nFlags);
    EXPECT_STREQ(L"Separator text", pEdit->m_arrItems[1]->m_pszText);
    EXPECT_EQ((UINT)(MF_POPUP | MF_OWNERDRAW), pEdit->m_arrItems[2]->m_nFlags);
    EXPECT_EQ((UINT)(MF_GRAYED | MF_OWNERDRAW), pMore->m_arrItems[0]->m_nFlags);
    EXPECT_EQ((UINT)ID_TEST_BOTTOM, ::GetMenuItemID(hDeeper, 0));
    EXPECT_STREQ(L"\x6253\x5f00(&O)", OwnerDrawnOf(hView)->m_arrItems[0]->m_pszText);
    EXPECT_TRUE(bar.m_arrSubMenus.GetSize() == 2 && pEdit->m_arrSubMenus.GetSize() == 1 &&
                pMore->m_arrSubMenus[0] == hDeeper);

    const HMENU hBar = bar.m_hMenu;
    EXPECT_TRUE(bar.DestroyMenu());
    for (HMENU h : { hBar, hEdit, hMore, hDeeper, hView })
        EXPECT_TRUE(!::IsMenu(h) && !COwnerDrawnMenu::IsHandleRegistered(h) && !CMenu::FromHandlePermanent(h)) << h;
}

TEST(OwnerDrawnMenuLoad, MissingOrMalformedTemplatesChangeNothingAndANameReplaces)
{
    COwnerDrawnMenu bar, empty;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_SIMPLE));
    const HMENU hBar = bar.m_hMenu, hFile = ::GetSubMenu(hBar, 0);
    ASSERT_TRUE(OwnerDrawnOf(hFile) && EntriesUseRecords(OwnerDrawnOf(hFile)));
    EXPECT_EQ((UINT)(MF_SEPARATOR | MF_OWNERDRAW), OwnerDrawnOf(hFile)->m_arrItems[1]->m_nFlags);
    // Padded up to the column after the widest label and a space (the padding itself: below).
    const CString strOpen = OwnerDrawnOf(hFile)->m_arrItems[0]->GetAnsiText();
    EXPECT_TRUE(strOpen.Find("&Open ") == 0 && strOpen.Mid(strOpen.Find('\t')) == "\tCtrl+O") << (LPCSTR)strOpen;
    CMenuItemData* pRecord = bar.m_arrItems[0];
    for (UINT nID :
         { IDR_TEST_MENU_MISSING, IDR_TEST_MENU_TRUNCATED, IDR_TEST_MENU_UNTERMINATED, IDR_TEST_MENU_BAD_OFFSET }) {
        EXPECT_FALSE(bar.LoadMenu(nID) || empty.LoadMenu(nID) || empty.m_hMenu != NULL) << nID;
        EXPECT_TRUE(bar.m_hMenu == hBar && ::IsMenu(hFile) && bar.m_arrItems.GetSize() == 1 &&
                    bar.m_arrItems[0] == pRecord && COwnerDrawnMenu::IsHandleRegistered(hFile))
            << "template " << nID << " changed the menu";
    }
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NAMED));
    EXPECT_FALSE(::IsMenu(hFile) || COwnerDrawnMenu::IsHandleRegistered(hFile));
    ASSERT_EQ(1, bar.m_arrItems.GetSize());
    EXPECT_EQ((UINT)MF_BYPOSITION, bar.m_arrItems[0]->m_nFlags) << "a top-level command";
    EXPECT_EQ((UINT)ID_TEST_TOP, ::GetMenuItemID(bar.m_hMenu, 0));
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

TEST(OwnerDrawnMenuLoad, PaddingEndsWhenASpaceHasNoWidthOrMeasuringFails)
{
    const struct { int arrFake[3]; const char* pszExpected; } cases[] = {
        { { 7, 4, -1 }, "Ab   " }, { { 7, 0, -1 }, "Ab " }, { { 7, 4, 1 }, "Ab " }, { { 7, 4, 0 }, "Ab" },
    };
    for (auto c : cases)
        EXPECT_STREQ(c.pszExpected, COwnerDrawnMenu::PadLabelToWidth("Ab", 25, MeasureFake, c.arrFake));
}

// An older system, which takes only the 340-byte structure, or (g_bRefuse) one that fails;
// both scribble over the buffer first.
BOOL g_bRefuse;
std::vector<UINT> g_sizes;
BOOL WINAPI FakeMetrics(UINT /*uiAction*/, UINT uiParam, PVOID pvParam, UINT /*fWinIni*/)
{
    g_sizes.push_back(uiParam);
    const bool bTaken = !g_bRefuse && uiParam == 340 && ((NONCLIENTMETRICSA*)pvParam)->cbSize == 340;
    memset(pvParam, 0x5A, uiParam);
    if (bTaken)
        lstrcpyA(((NONCLIENTMETRICSA*)pvParam)->lfMenuFont.lfFaceName, "OldSystem");
    return bTaken;
}

TEST(OwnerDrawnMenuFont, RetriesWithTheOlderSizeThenFallsBackToTheDefaultGuiFont)
{
    LOGFONTA lf, lfDefault;
    COwnerDrawnMenu::GetMenuLogFont(&lf, FakeMetrics);
    EXPECT_EQ((std::vector<UINT>{ 344, 340 }), g_sizes);
    EXPECT_STREQ("OldSystem", lf.lfFaceName);
    ASSERT_NE(0, ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lfDefault), &lfDefault));
    g_bRefuse = TRUE;
    COwnerDrawnMenu::GetMenuLogFont(&lf, FakeMetrics);
    EXPECT_STREQ(lfDefault.lfFaceName, lf.lfFaceName);
    EXPECT_TRUE(lf.lfHeight == lfDefault.lfHeight && lf.lfWeight == lfDefault.lfWeight);
}

const LRESULT EXECUTE = (LRESULT)MNC_EXECUTE << 16;

TEST(OwnerDrawnMenuSync, EntriesInsertedAndRemovedBehindTheRecordsBackBeforeAMnemonicSearch)
{
    COwnerDrawnMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDR_TEST_MENU_NESTED));
    const HMENU hEdit = ::GetSubMenu(bar.m_hMenu, 0), hPlain = ::CreatePopupMenu();
    COwnerDrawnMenu* pEdit = OwnerDrawnOf(hEdit);
    ASSERT_NE(nullptr, pEdit);
    CMenuItemData *pSeparator = pEdit->m_arrItems[1], *pMore = pEdit->m_arrItems[2];
    ASSERT_TRUE(::RemoveMenu(hEdit, 0, MF_BYPOSITION));  // "&Undo"
    ASSERT_TRUE(::InsertMenuA(hEdit, 1, MF_BYPOSITION | MF_STRING | MF_CHECKED, 150, "&New"));
    ASSERT_TRUE(::AppendMenuA(hEdit, MF_SEPARATOR, 0, NULL));
    ASSERT_TRUE(::AppendMenuA(hEdit, MF_POPUP | MF_GRAYED, (UINT_PTR)hPlain, "&Sub"));
    // The mnemonic search sees more entries than records and synchronises them first.
    EXPECT_EQ(EXECUTE + 4, COwnerDrawnMenu::FindMnemonicItem('S', MF_POPUP, pEdit)) << "\"&Sub\", added meanwhile";

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
}

TEST(OwnerDrawnMenuMnemonic, AnyCaseFirstPositionAndAcceleratorTextInPopupsOnly)
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
}

} // namespace
