// Tests of CMenuItemData (text storage and conversion) and CMenuMemDC.
#include <gtest/gtest.h>

#include "menu_test_support.h"

namespace
{

TEST(MenuItemData, NullTextStaysNullAndReadsEmpty)
{
    CMenuItemData item;
    item.SetWideText(L"old");
    item.SetAnsiText(NULL);
    EXPECT_EQ(NULL, item.m_pszText);
    EXPECT_STREQ("", item.GetAnsiText());
    item.SetWideText(L"old");
    item.SetWideText(NULL);
    EXPECT_EQ(NULL, item.m_pszText);
}

TEST(MenuItemData, StoresOwnCopyAndSurvivesItsOwnText)
{
    wchar_t szText[] = L"&Open\tCtrl+O";
    CMenuItemData item;
    item.SetWideText(szText);
    ASSERT_NE(nullptr, item.m_pszText);
    EXPECT_NE(szText, item.m_pszText);
    szText[0] = L'X';
    EXPECT_STREQ(L"&Open\tCtrl+O", item.m_pszText);
    item.SetWideText(item.m_pszText);  // its own text: copied before the old one is freed
    EXPECT_STREQ(L"&Open\tCtrl+O", item.m_pszText);
    EXPECT_STREQ("&Open\tCtrl+O", item.GetAnsiText());
}

TEST(MenuItemData, ChineseTextRoundTripsThroughCodePage936)
{
    if (::GetACP() != 936)
        GTEST_SKIP() << "needs code page 936 (run with LANG=zh_CN.UTF-8); ACP is " << ::GetACP();
    CMenuItemData item;
    item.SetAnsiText("打开(&O)\tCtrl+O");
    ASSERT_NE(nullptr, item.m_pszText);
    EXPECT_STREQ(L"\x6253\x5f00(&O)\tCtrl+O", item.m_pszText);
    EXPECT_STREQ("打开(&O)\tCtrl+O", item.GetAnsiText());
}

TEST(MenuItemData, WideToAnsiReturnsWholeTextWhenACodePageNeedsThreeBytesPerUnit)
{
    // Two bytes per UTF-16 unit are not enough for UTF-8: three units of Chinese need nine.
    const CString strUtf8 = CMenuItemData::WideToAnsi(L"\x4e2d\x6587\x5b57", CP_UTF8);
    EXPECT_EQ(9, strUtf8.GetLength());
    EXPECT_EQ(0, memcmp("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", (LPCSTR)strUtf8, 9));

    wchar_t* pszBack = CMenuItemData::AnsiToWide(strUtf8, CP_UTF8);
    ASSERT_NE(nullptr, pszBack);
    EXPECT_STREQ(L"\x4e2d\x6587\x5b57", pszBack);
    delete[] pszBack;
}

TEST(MenuItemData, FailedConversionsGiveNoText)
{
    const UINT nNoSuchCodePage = 54321;
    EXPECT_STREQ("", CMenuItemData::WideToAnsi(L"abc", nNoSuchCodePage));
    EXPECT_EQ(nullptr, CMenuItemData::AnsiToWide("abc", nNoSuchCodePage));
    EXPECT_STREQ("", CMenuItemData::WideToAnsi(NULL, CP_UTF8));
}

/////////////////////////////////////////////////////////////////////////////
// CMenuMemDC

const COLORREF SENTINEL = RGB(1, 2, 3);
const COLORREF PAINT = RGB(200, 10, 20);

TEST(MenuMemDC, DrawsOffscreenAndCopiesOnlyItsAreaOnDestruction)
{
    CDibSurface surface(60, 40, SENTINEL);
    CDC* pTarget = CDC::FromHandle(surface.GetDC());
    const RECT rcArea = { 10, 5, 40, 25 };

    CMenuMemDC* pMemDC = new CMenuMemDC(pTarget, &rcArea);
    ASSERT_TRUE(pMemDC->m_bOffscreen);
    ASSERT_NE(surface.GetDC(), pMemDC->m_hDC);
    const HDC hMemDC = pMemDC->m_hDC;
    const HGDIOBJ hBitmap = pMemDC->m_bmpOffscreen.m_hObject;
    ASSERT_EQ((DWORD)OBJ_MEMDC, ::GetObjectType(hMemDC));
    ASSERT_EQ((DWORD)OBJ_BITMAP, ::GetObjectType(hBitmap));

    // Drawn at the target's coordinates, far beyond the area on every side.
    CBrush brush(PAINT);
    const RECT rcAll = { 0, 0, 60, 40 };
    pMemDC->FillRect(&rcAll, &brush);
    EXPECT_TRUE(RectIsColor(surface, rcAll, SENTINEL)) << "nothing reaches the target before the copy";

    delete pMemDC;
    EXPECT_TRUE(RectIsColor(surface, rcArea, PAINT));
    const RECT rcBounds = BoundsOfOther(surface, rcAll, SENTINEL);
    EXPECT_EQ(10, rcBounds.left);
    EXPECT_EQ(5, rcBounds.top);
    EXPECT_EQ(40, rcBounds.right);
    EXPECT_EQ(25, rcBounds.bottom);

    EXPECT_EQ(0u, ::GetObjectType(hBitmap)) << "the off-screen bitmap is released";
    EXPECT_EQ(0u, ::GetObjectType(hMemDC)) << "the memory DC is released";
    EXPECT_EQ((DWORD)OBJ_MEMDC, ::GetObjectType(surface.GetDC()));
}

// A target that reports printing, as a print preview or printer DC would.
class CPrintingTargetDC : public CDC
{
public:
    explicit CPrintingTargetDC(HDC hDC) { m_hDC = m_hAttribDC = hDC; m_bPrinting = TRUE; }
    ~CPrintingTargetDC() { m_hDC = m_hAttribDC = NULL; }  // the surface owns the DC
};

TEST(MenuMemDC, PrintingTargetIsDrawnDirectlyAndKeepsItsHandles)
{
    CDibSurface surface(60, 40, SENTINEL);
    CPrintingTargetDC target(surface.GetDC());
    const RECT rcArea = { 10, 5, 40, 25 };
    {
        CMenuMemDC memDC(&target, &rcArea);
        EXPECT_FALSE(memDC.m_bOffscreen);
        EXPECT_EQ(surface.GetDC(), memDC.m_hDC);
        EXPECT_EQ(surface.GetDC(), memDC.m_hAttribDC);
        EXPECT_TRUE(memDC.IsPrinting());
        CBrush brush(PAINT);
        const RECT rcSmall = { 0, 0, 5, 5 };
        memDC.FillRect(&rcSmall, &brush);
        EXPECT_TRUE(RectIsColor(surface, rcSmall, PAINT)) << "drawn straight into the target";
    }
    EXPECT_EQ(surface.GetDC(), target.m_hDC);
    EXPECT_EQ((DWORD)OBJ_MEMDC, ::GetObjectType(surface.GetDC())) << "the target's DC survives";
}

} // namespace
