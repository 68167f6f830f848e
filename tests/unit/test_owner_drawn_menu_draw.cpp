// Pixel tests of COwnerDrawnMenu's item drawing (classic and XP style, check marks, radio
// bullets, separators, disabled items), the style dispatch, and item measurement.
#include <gtest/gtest.h>

#include "menu_test_support.h"

namespace
{

const COLORREF SENTINEL = RGB(1, 2, 3);
const int ITEM_ID = 4711;

COLORREF Sys(int nIndex)
{
    return ::GetSysColor(nIndex);
}

// c + f * (255 - c) per channel, truncated, for the two factors the drawing uses (0.6, 0.85, 0.7
// are tenths/hundredths: exact in integers).
COLORREF Lighter(COLORREF cr, int nNumerator, int nDenominator)
{
    auto ch = [&](int c) { return c + (255 - c) * nNumerator / nDenominator; };
    return RGB(ch(GetRValue(cr)), ch(GetGValue(cr)), ch(GetBValue(cr)));
}

// The 7 x 7 check mark with its top-left at (x, y): three pixels per column, lowest point in the
// third column; every other pixel of the 7 x 7 square is crFill.
::testing::AssertionResult IsCheckMarkAt(const CDibSurface& s, int x, int y, COLORREF crGlyph, COLORREF crFill)
{
    static const int s_arrTop[7] = { 2, 3, 4, 3, 2, 1, 0 };
    for (int i = 0; i < 7; ++i) {
        for (int j = 0; j < 7; ++j) {
            const bool bGlyph = j >= s_arrTop[i] && j < s_arrTop[i] + 3;
            const COLORREF want = bGlyph ? crGlyph : crFill;
            const COLORREF got = s.Pixel(x + i, y + j);
            if (got != want)
                return ::testing::AssertionFailure() << "check mark at (" << x << "," << y << "): pixel (" << x + i
                                                     << "," << y + j << ") is " << ColorText(got) << ", expected "
                                                     << ColorText(want);
        }
    }
    return ::testing::AssertionSuccess();
}

// The 6-pixel bullet with its bounding box at (x, y): glyph pixels exactly span the 6 x 6 square,
// its middle is filled, and nothing of the glyph colour lies outside the square within rcAround.
::testing::AssertionResult IsBulletAt(const CDibSurface& s, int x, int y, COLORREF crGlyph, const RECT& rcAround)
{
    RECT b = { 0, 0, 0, 0 };
    bool bAny = false;
    for (int py = rcAround.top; py < rcAround.bottom; ++py) {
        for (int px = rcAround.left; px < rcAround.right; ++px) {
            if (s.Pixel(px, py) != crGlyph)
                continue;
            if (!bAny) {
                b = { px, py, px + 1, py + 1 };
                bAny = true;
            }
            b.left = std::min<LONG>(b.left, px);
            b.top = std::min<LONG>(b.top, py);
            b.right = std::max<LONG>(b.right, px + 1);
            b.bottom = std::max<LONG>(b.bottom, py + 1);
        }
    }
    if (!bAny || b.left != x || b.top != y || b.right != x + 6 || b.bottom != y + 6)
        return ::testing::AssertionFailure() << "bullet expected in (" << x << "," << y << ")-(" << x + 6 << ","
                                             << y + 6 << "), glyph pixels span (" << b.left << "," << b.top << ")-("
                                             << b.right << "," << b.bottom << ")";
    for (int py = y + 2; py < y + 4; ++py) {
        for (int px = x + 2; px < x + 4; ++px) {
            if (s.Pixel(px, py) != crGlyph)
                return ::testing::AssertionFailure() << "bullet not filled at (" << px << "," << py << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

// A menu with one item ITEM_ID, so that the drawing can look up the item's check-mark bitmaps.
class MenuDrawTest : public ::testing::Test
{
protected:
    MenuDrawTest() : m_surface(220, 40, SENTINEL)
    {
        m_hMenu = ::CreatePopupMenu();
        ::AppendMenuA(m_hMenu, MF_STRING, ITEM_ID, "item");
        m_rcItem = { 10, 6, 190, 28 };  // 180 x 22
    }
    ~MenuDrawTest() override
    {
        ::DestroyMenu(m_hMenu);
        if (m_hbmChecked != NULL)
            ::DeleteObject(m_hbmChecked);
    }

    // Gives the item a checked-state bitmap: the drawing then shows the radio bullet.
    void GiveCheckedBitmap()
    {
        m_hbmChecked = ::CreateBitmap(13, 13, 1, 1, NULL);
        ::SetMenuItemBitmaps(m_hMenu, ITEM_ID, MF_BYCOMMAND, NULL, m_hbmChecked);
    }

    DRAWITEMSTRUCT Request(UINT nState, CMenuItemData* pItem)
    {
        return MakeMenuDrawItem(m_surface.GetDC(), m_rcItem, nState, pItem, m_hMenu, ITEM_ID);
    }

    RECT ItemPart(int nLeft, int nTop, int nRight, int nBottom) const
    {
        return { m_rcItem.left + nLeft, m_rcItem.top + nTop, m_rcItem.left + nRight, m_rcItem.top + nBottom };
    }

    // Draws into the surface and checks that nothing outside the item rectangle was touched.
    ::testing::AssertionResult StaysInItem() const
    {
        const RECT rcAll = { 0, 0, m_surface.Width(), m_surface.Height() };
        const RECT b = BoundsOfOther(m_surface, rcAll, SENTINEL);
        if (b.left < m_rcItem.left || b.top < m_rcItem.top || b.right > m_rcItem.right || b.bottom > m_rcItem.bottom)
            return ::testing::AssertionFailure() << "painted outside the item: (" << b.left << "," << b.top << ")-("
                                                 << b.right << "," << b.bottom << ")";
        return ::testing::AssertionSuccess();
    }

    CDibSurface m_surface;
    HMENU m_hMenu;
    HBITMAP m_hbmChecked = NULL;
    RECT m_rcItem;
    COwnerDrawnMenu m_menu;
    CMenuItemData m_item;
};

/////////////////////////////////////////////////////////////////////////////
// Classic style

TEST_F(MenuDrawTest, ClassicItemFillsWithTheMenuColourOrButtonFaceOnThemedXP)
{
    {
        CMenuStyleScope style(6, FALSE);
        DRAWITEMSTRUCT dis = Request(0, &m_item);
        m_menu.DrawItemClassic(&dis);
        EXPECT_TRUE(RectIsColor(m_surface, m_rcItem, Sys(COLOR_MENU)));
        EXPECT_TRUE(StaysInItem());
    }
    {
        CMenuStyleScope style(7, FALSE);
        DRAWITEMSTRUCT dis = Request(0, &m_item);
        m_menu.DrawItemClassic(&dis);
        EXPECT_TRUE(RectIsColor(m_surface, m_rcItem, Sys(COLOR_BTNFACE)));
    }
}

TEST_F(MenuDrawTest, ClassicSeparatorIsBackgroundWithAnEtchedLineAtHalfHeight)
{
    CMenuStyleScope style(7, FALSE);  // button-face background: both etched colours show
    m_item.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
    m_item.SetWideText(L"ignored text");
    DRAWITEMSTRUCT dis = Request(0, &m_item);
    m_menu.DrawItemClassic(&dis);

    const COLORREF crBack = Sys(COLOR_BTNFACE);
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 180, 11), crBack));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 11, 180, 12), Sys(COLOR_BTNSHADOW)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 12, 180, 13), Sys(COLOR_BTNHIGHLIGHT)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 13, 180, 22), crBack));
    EXPECT_TRUE(StaysInItem());
}

TEST_F(MenuDrawTest, ClassicCheckedItemsBoxFillEdgeAndCheckMark)
{
    CMenuStyleScope style(7, FALSE);
    const COLORREF crBase = Sys(COLOR_BTNFACE);
    // 22 pixels high: dy = (22 - 15 - 4) / 2 = 1, so the 16 x 15 box is at (left + 1, top + 3).
    const RECT rcBox = ItemPart(1, 3, 17, 18);

    // Not selected: the box is the base colour moved 60 % toward white.
    DRAWITEMSTRUCT dis = Request(ODS_CHECKED, &m_item);
    m_menu.DrawItemClassic(&dis);
    const COLORREF crLight = Lighter(crBase, 6, 10);
    EXPECT_TRUE(IsCheckMarkAt(m_surface, rcBox.left + 4, rcBox.top + 4, Sys(COLOR_MENUTEXT), crLight));
    EXPECT_EQ(crLight, m_surface.Pixel(rcBox.left + 1, rcBox.top + 1));
    EXPECT_EQ(crLight, m_surface.Pixel(rcBox.right - 2, rcBox.bottom - 2));
    // Sunken outer edge: shadow at the top and left, highlight at the bottom and right.
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), m_surface.Pixel(rcBox.left + 6, rcBox.top));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), m_surface.Pixel(rcBox.left, rcBox.top + 6));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), m_surface.Pixel(rcBox.left + 6, rcBox.bottom - 1));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), m_surface.Pixel(rcBox.right - 1, rcBox.top + 6));
    EXPECT_EQ(crBase, m_surface.Pixel(rcBox.right, rcBox.top + 6)) << "background right of the box";
    EXPECT_EQ(crBase, m_surface.Pixel(rcBox.left + 6, rcBox.bottom)) << "background below the box";

    // Selected: the box keeps the plain base colour and the bar starts 21 pixels in.
    m_surface.Fill(SENTINEL);
    dis = Request(ODS_CHECKED | ODS_SELECTED, &m_item);
    m_menu.DrawItemClassic(&dis);
    EXPECT_TRUE(IsCheckMarkAt(m_surface, rcBox.left + 4, rcBox.top + 4, Sys(COLOR_MENUTEXT), crBase));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(21, 0, 180, 22), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(17, 0, 21, 22), SENTINEL)) << "left of the bar stays unpainted";
    EXPECT_TRUE(StaysInItem());
}

TEST_F(MenuDrawTest, ClassicBoxHasNoEdgeOnVersionCodesBelowTwo)
{
    CDC* pDC = CDC::FromHandle(m_surface.GetDC());
    const RECT rcBox = { 20, 10, 36, 25 };
    for (int nVersion : { 0, 1, 2, 6 }) {
        CMenuStyleScope style(nVersion, FALSE);
        m_surface.Fill(SENTINEL);
        EXPECT_TRUE(COwnerDrawnMenu::DrawCheckedBackgroundClassic(rcBox, pDC, TRUE, NULL));
        const COLORREF crFill = Sys(COLOR_MENU);
        const COLORREF crTopLeft = nVersion >= 2 ? Sys(COLOR_BTNSHADOW) : crFill;
        EXPECT_EQ(crTopLeft, m_surface.Pixel(rcBox.left, rcBox.top + 7)) << "version code " << nVersion;
        EXPECT_EQ(crTopLeft, m_surface.Pixel(rcBox.left + 10, rcBox.top)) << "version code " << nVersion;
        EXPECT_TRUE(IsCheckMarkAt(m_surface, rcBox.left + 4, rcBox.top + 4, Sys(COLOR_MENUTEXT), crFill))
            << "version code " << nVersion;
        const RECT rcAll = { 0, 0, 220, 40 };
        const RECT b = BoundsOfOther(m_surface, rcAll, SENTINEL);
        EXPECT_TRUE(EqualRect(&b, &rcBox)) << "version code " << nVersion;
    }
}

TEST_F(MenuDrawTest, ClassicRadioBulletWhenTheItemHasACheckedBitmap)
{
    CMenuStyleScope style(7, FALSE);
    GiveCheckedBitmap();
    const RECT rcBox = ItemPart(1, 3, 17, 18);
    DRAWITEMSTRUCT dis = Request(ODS_CHECKED, &m_item);
    m_menu.DrawItemClassic(&dis);
    EXPECT_TRUE(IsBulletAt(m_surface, rcBox.left + 5, rcBox.top + 4, Sys(COLOR_MENUTEXT), rcBox));
}

TEST_F(MenuDrawTest, ClassicLowItemPutsTheBoxTwoPixelsDown)
{
    CMenuStyleScope style(7, FALSE);
    m_rcItem.bottom = m_rcItem.top + 16;  // lower than 15 + 4: dy is 0
    DRAWITEMSTRUCT dis = Request(ODS_CHECKED, &m_item);
    m_menu.DrawItemClassic(&dis);
    EXPECT_TRUE(IsCheckMarkAt(m_surface, m_rcItem.left + 1 + 4, m_rcItem.top + 2 + 4, Sys(COLOR_MENUTEXT),
                              Lighter(Sys(COLOR_BTNFACE), 6, 10)));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), m_surface.Pixel(m_rcItem.left + 5, m_rcItem.top + 2));
}

// Text is checked by where its pixels are, never by glyph shapes.
TEST_F(MenuDrawTest, ClassicLabelStartsAfterTheImageColumnAndAcceleratorEndsBeforeTheRightEdge)
{
    CMenuStyleScope style(7, FALSE);
    m_item.SetWideText(L"Mwm\tCtrl+MW");
    DRAWITEMSTRUCT dis = Request(0, &m_item);
    m_menu.DrawItemClassic(&dis);
    const COLORREF crBack = Sys(COLOR_BTNFACE);
    const RECT b = BoundsOfOther(m_surface, m_rcItem, crBack);
    EXPECT_GE(b.left, m_rcItem.left + 25);
    EXPECT_LE(b.left, m_rcItem.left + 28) << "the label starts at the text column";
    EXPECT_LE(b.right, m_rcItem.right - 16);
    EXPECT_GE(b.right, m_rcItem.right - 19) << "the accelerator is right-aligned";
    EXPECT_TRUE(RectHasColor(m_surface, ItemPart(25, 0, 60, 22), Sys(COLOR_MENUTEXT)));
    EXPECT_TRUE(StaysInItem());

    // Two tabs: the part between them is not drawn.
    CDibSurface other(220, 40, SENTINEL);
    CMenuItemData twoTabs;
    twoTabs.SetWideText(L"Mwm\tHIDDEN\tCtrl+MW");
    DRAWITEMSTRUCT dis2 = MakeMenuDrawItem(other.GetDC(), m_rcItem, 0, &twoTabs, m_hMenu, ITEM_ID);
    m_menu.DrawItemClassic(&dis2);
    for (int y = m_rcItem.top; y < m_rcItem.bottom; ++y) {
        for (int x = m_rcItem.left; x < m_rcItem.right; ++x)
            ASSERT_EQ(m_surface.Pixel(x, y), other.Pixel(x, y)) << "at (" << x << "," << y << ")";
    }
}

TEST_F(MenuDrawTest, ClassicSelectedTextIsHighlightTextOnTheBar)
{
    CMenuStyleScope style(6, FALSE);
    m_item.SetWideText(L"Mwm");
    DRAWITEMSTRUCT dis = Request(ODS_SELECTED, &m_item);
    m_menu.DrawItemClassic(&dis);
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 25, 22), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(RectHasColor(m_surface, ItemPart(25, 0, 60, 22), Sys(COLOR_HIGHLIGHTTEXT)));
    EXPECT_FALSE(RectHasColor(m_surface, m_rcItem, Sys(COLOR_MENUTEXT)));
}

TEST_F(MenuDrawTest, ClassicDisabledTextIsEmbossedUnlessSelected)
{
    CMenuStyleScope style(7, FALSE);  // button-face background: the white emboss shows
    CFont font;
    ASSERT_TRUE(font.Attach(::CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                          NONANTIALIASED_QUALITY, 0, "Tahoma")));
    const HGDIOBJ hOldFont = ::SelectObject(m_surface.GetDC(), font.m_hObject);
    m_item.SetWideText(L"Mwm\tCtrl+W");
    DRAWITEMSTRUCT dis = Request(ODS_GRAYED, &m_item);
    m_menu.DrawItemClassic(&dis);
    const RECT rcText = ItemPart(25, 0, 164, 22);
    EXPECT_TRUE(RectHasColor(m_surface, rcText, Sys(COLOR_GRAYTEXT)));
    EXPECT_TRUE(RectHasColor(m_surface, rcText, Sys(COLOR_BTNHIGHLIGHT)));
    EXPECT_FALSE(RectHasColor(m_surface, rcText, Sys(COLOR_MENUTEXT)));
    // With a font drawn without smoothing, the highlight pixels are exactly the grey text moved one
    // pixel right and down, where the grey text does not cover them.
    int nEmboss = 0;
    for (int y = rcText.top; y < rcText.bottom; ++y) {
        for (int x = rcText.left; x < rcText.right; ++x) {
            const bool bGrey = m_surface.Pixel(x, y) == Sys(COLOR_GRAYTEXT);
            const bool bShiftedGrey = m_surface.Pixel(x - 1, y - 1) == Sys(COLOR_GRAYTEXT);
            const bool bHighlight = m_surface.Pixel(x, y) == Sys(COLOR_BTNHIGHLIGHT);
            ASSERT_EQ(bShiftedGrey && !bGrey, bHighlight) << "at (" << x << "," << y << ")";
            nEmboss += bHighlight ? 1 : 0;
            ASSERT_TRUE(bGrey || bHighlight || m_surface.Pixel(x, y) == Sys(COLOR_BTNFACE))
                << "unexpected colour at (" << x << "," << y << "): " << ColorText(m_surface.Pixel(x, y));
        }
    }
    EXPECT_GT(nEmboss, 10);

    m_surface.Fill(SENTINEL);
    dis = Request(ODS_GRAYED | ODS_SELECTED, &m_item);
    m_menu.DrawItemClassic(&dis);
    EXPECT_TRUE(RectHasColor(m_surface, rcText, Sys(COLOR_BTNFACE))) << "text in the background colour";
    EXPECT_FALSE(RectHasColor(m_surface, rcText, Sys(COLOR_GRAYTEXT))) << "no emboss on the bar";
    EXPECT_FALSE(RectHasColor(m_surface, rcText, Sys(COLOR_BTNHIGHLIGHT)));
    EXPECT_TRUE(RectHasColor(m_surface, rcText, Sys(COLOR_HIGHLIGHT)));
    ::SelectObject(m_surface.GetDC(), hOldFont);
}

/////////////////////////////////////////////////////////////////////////////
// XP style (through DrawItem: version 7 without the classic theme chooses it)

TEST_F(MenuDrawTest, XPItemHasAButtonFaceBandAndAWindowColouredTextArea)
{
    CMenuStyleScope style(7, FALSE);
    DRAWITEMSTRUCT dis = Request(0, &m_item);
    m_menu.DrawItem(&dis);
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 23, 22), Sys(COLOR_BTNFACE)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(23, 0, 180, 22), Sys(COLOR_WINDOW)));
    EXPECT_TRUE(StaysInItem());
}

TEST_F(MenuDrawTest, XPSelectedItemIsATintedFillFramedInTheHighlightColour)
{
    CMenuStyleScope style(7, FALSE);
    m_item.SetWideText(L"Mwm");
    DRAWITEMSTRUCT dis = Request(ODS_SELECTED, &m_item);
    m_menu.DrawItem(&dis);
    const COLORREF crHighlight = Sys(COLOR_HIGHLIGHT);
    const COLORREF crTint = Lighter(crHighlight, 7, 10);
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 180, 1), crHighlight));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 21, 180, 22), crHighlight));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 1, 22), crHighlight));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(179, 0, 180, 22), crHighlight));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(1, 1, 30, 21), crTint)) << "no band under the selection";
    EXPECT_TRUE(RectHasColor(m_surface, ItemPart(31, 1, 80, 21), Sys(COLOR_MENUTEXT))) << "normal text colour";
    EXPECT_TRUE(StaysInItem());
}

TEST_F(MenuDrawTest, XPSeparatorStartsRightOfTheBand)
{
    CMenuStyleScope style(7, FALSE);
    m_item.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
    DRAWITEMSTRUCT dis = Request(0, &m_item);
    m_menu.DrawItem(&dis);
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 23, 22), Sys(COLOR_BTNFACE)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(23, 0, 180, 11), Sys(COLOR_WINDOW)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(23, 11, 30, 13), Sys(COLOR_WINDOW)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(30, 11, 180, 12), Sys(COLOR_BTNSHADOW)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(30, 12, 180, 13), Sys(COLOR_BTNHIGHLIGHT)));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(23, 13, 180, 22), Sys(COLOR_WINDOW)));
}

TEST_F(MenuDrawTest, XPCheckBoxIsCentredInTheBandWithTheMarkOnePixelFurtherRight)
{
    CMenuStyleScope style(7, FALSE);
    DRAWITEMSTRUCT dis = Request(ODS_CHECKED, &m_item);
    m_menu.DrawItem(&dis);
    const RECT rcBox = ItemPart(4, 3, 20, 19);
    const COLORREF crFrame = Sys(COLOR_HIGHLIGHT);
    const COLORREF crFill = Lighter(crFrame, 85, 100);
    EXPECT_TRUE(RectIsColor(m_surface, { rcBox.left, rcBox.top, rcBox.right, rcBox.top + 1 }, crFrame));
    EXPECT_TRUE(RectIsColor(m_surface, { rcBox.left, rcBox.bottom - 1, rcBox.right, rcBox.bottom }, crFrame));
    EXPECT_TRUE(RectIsColor(m_surface, { rcBox.left, rcBox.top, rcBox.left + 1, rcBox.bottom }, crFrame));
    EXPECT_TRUE(RectIsColor(m_surface, { rcBox.right - 1, rcBox.top, rcBox.right, rcBox.bottom }, crFrame));
    EXPECT_TRUE(IsCheckMarkAt(m_surface, rcBox.left + 5, rcBox.top + 4, Sys(COLOR_MENUTEXT), crFill));
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(1, 1, 4, 21), Sys(COLOR_BTNFACE))) << "band around the box";
}

TEST_F(MenuDrawTest, XPBoxWithABlackFrameAndRadioBullet)
{
    CDC* pDC = CDC::FromHandle(m_surface.GetDC());
    const RECT rcBox = { 30, 10, 46, 26 };
    GiveCheckedBitmap();
    const COLORREF crBlack = RGB(0, 0, 0);
    EXPECT_TRUE(COwnerDrawnMenu::DrawCheckedBackgroundXP(crBlack, rcBox, pDC, m_hbmChecked));
    EXPECT_EQ(RGB(216, 216, 216), m_surface.Pixel(rcBox.left + 2, rcBox.top + 2));
    EXPECT_EQ(crBlack, m_surface.Pixel(rcBox.left, rcBox.top + 8));
    EXPECT_EQ(crBlack, m_surface.Pixel(rcBox.right - 1, rcBox.top + 8));
    const RECT rcInside = { rcBox.left + 1, rcBox.top + 1, rcBox.right - 1, rcBox.bottom - 1 };
    EXPECT_TRUE(IsBulletAt(m_surface, rcBox.left + 5, rcBox.top + 4, Sys(COLOR_MENUTEXT), rcInside));
}

TEST_F(MenuDrawTest, XPDisabledItemIsNeverDrawnSelectedAndStaysInsideItsRectangle)
{
    CMenuStyleScope style(7, FALSE);
    m_item.SetWideText(L"Mwm\tCtrl+W");
    DRAWITEMSTRUCT dis = Request(ODS_GRAYED | ODS_SELECTED, &m_item);
    m_menu.DrawItem(&dis);
    EXPECT_EQ((UINT)ODS_GRAYED, dis.itemState) << "the request's selected bit is cleared";
    EXPECT_TRUE(StaysInItem());
    EXPECT_TRUE(RectIsColor(m_surface, ItemPart(0, 0, 23, 22), Sys(COLOR_BTNFACE)));
    const RECT rcText = ItemPart(31, 0, 164, 22);
    EXPECT_TRUE(RectHasColor(m_surface, rcText, Sys(COLOR_GRAYTEXT)));
    EXPECT_FALSE(RectHasColor(m_surface, m_rcItem, Sys(COLOR_MENUTEXT)));
    EXPECT_FALSE(RectHasColor(m_surface, m_rcItem, Sys(COLOR_HIGHLIGHT)));

    CDibSurface unselected(220, 40, SENTINEL);
    DRAWITEMSTRUCT dis2 = MakeMenuDrawItem(unselected.GetDC(), m_rcItem, ODS_GRAYED, &m_item, m_hMenu, ITEM_ID);
    m_menu.DrawItem(&dis2);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 220; ++x)
            ASSERT_EQ(m_surface.Pixel(x, y), unselected.Pixel(x, y)) << "at (" << x << "," << y << ")";
    }
}

TEST_F(MenuDrawTest, XPLabelStartsAt31AndAcceleratorEndsBeforeTheRightEdge)
{
    CMenuStyleScope style(7, FALSE);
    m_item.SetWideText(L"Mwm\tCtrl+MW");
    DRAWITEMSTRUCT dis = Request(0, &m_item);
    m_menu.DrawItem(&dis);
    const RECT rcTextArea = ItemPart(23, 0, 180, 22);
    const RECT b = BoundsOfOther(m_surface, rcTextArea, Sys(COLOR_WINDOW));
    EXPECT_GE(b.left, m_rcItem.left + 31);
    EXPECT_LE(b.left, m_rcItem.left + 34);
    EXPECT_LE(b.right, m_rcItem.right - 16);
    EXPECT_GE(b.right, m_rcItem.right - 19);
}

/////////////////////////////////////////////////////////////////////////////
// Dispatch

TEST_F(MenuDrawTest, DrawItemChoosesXPOnlyOnXPWithoutTheClassicTheme)
{
    struct Case { int nVersion; BOOL bClassic; bool bXP; };
    const Case cases[] = { { 7, FALSE, true }, { 7, TRUE, false }, { 6, FALSE, false }, { 1, FALSE, false },
                           { 2, FALSE, false } };
    // A band pixel and a text-area pixel tell the styles apart.
    for (const Case& c : cases) {
        CMenuStyleScope style(c.nVersion, c.bClassic);
        m_surface.Fill(SENTINEL);
        DRAWITEMSTRUCT dis = Request(0, &m_item);
        m_menu.DrawItem(&dis);
        const COLORREF crBand = m_surface.Pixel(m_rcItem.left + 5, m_rcItem.top + 5);
        const COLORREF crText = m_surface.Pixel(m_rcItem.left + 60, m_rcItem.top + 5);
        if (c.bXP) {
            EXPECT_EQ(Sys(COLOR_BTNFACE), crBand) << "version " << c.nVersion << " classic " << c.bClassic;
            EXPECT_EQ(Sys(COLOR_WINDOW), crText) << "version " << c.nVersion << " classic " << c.bClassic;
        } else {
            EXPECT_EQ(Sys(COLOR_MENU), crBand) << "version " << c.nVersion << " classic " << c.bClassic;
            EXPECT_EQ(Sys(COLOR_MENU), crText) << "version " << c.nVersion << " classic " << c.bClassic;
        }
    }
}

TEST_F(MenuDrawTest, DrawItemWithoutARecordPaintsNothing)
{
    CMenuStyleScope style(7, FALSE);
    DRAWITEMSTRUCT dis = Request(ODS_GRAYED, NULL);
    m_menu.DrawItem(&dis);
    const RECT rcAll = { 0, 0, 220, 40 };
    EXPECT_TRUE(RectIsColor(m_surface, rcAll, SENTINEL));
}

/////////////////////////////////////////////////////////////////////////////
// Measurement

MEASUREITEMSTRUCT Measure(COwnerDrawnMenu& menu, CMenuItemData* pItem)
{
    MEASUREITEMSTRUCT mis;
    memset(&mis, 0, sizeof(mis));
    mis.CtlType = ODT_MENU;
    mis.itemID = ITEM_ID;
    mis.itemData = (ULONG_PTR)pItem;
    menu.MeasureItem(&mis);
    return mis;
}

// Width of a wide text in the desktop DC, with the menu font or with the DC's own font.
int TextWidth(const wchar_t* pszText, BOOL bMenuFont)
{
    CFont font;
    COwnerDrawnMenu::CreateMenuFont(font);
    HDC hDC = ::GetDC(::GetDesktopWindow());
    HGDIOBJ hOld = bMenuFont ? ::SelectObject(hDC, font.m_hObject) : NULL;
    SIZE size = { 0, 0 };
    ::GetTextExtentPoint32W(hDC, pszText, ::lstrlenW(pszText), &size);
    if (hOld != NULL)
        ::SelectObject(hDC, hOld);
    ::ReleaseDC(::GetDesktopWindow(), hDC);
    return size.cx;
}

TEST(OwnerDrawnMenuMeasure, SeparatorsReportNoWidthAndHalfAMenuLine)
{
    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);
    COwnerDrawnMenu menu;
    CMenuItemData separator;
    separator.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
    separator.SetWideText(L"a long text that is not measured");
    {
        CMenuStyleScope style(6, FALSE);
        const MEASUREITEMSTRUCT mis = Measure(menu, &separator);
        EXPECT_EQ(0u, mis.itemWidth);
        EXPECT_EQ((UINT)std::max(cyMenu / 2, 9), mis.itemHeight);
        menu.m_nImageHeight = 40;
        EXPECT_EQ((UINT)std::max(cyMenu / 2, 22), Measure(menu, &separator).itemHeight);
        menu.m_nImageHeight = 15;
    }
    {
        CMenuStyleScope style(7, FALSE);
        const MEASUREITEMSTRUCT mis = Measure(menu, &separator);
        EXPECT_EQ(0u, mis.itemWidth);
        EXPECT_EQ((UINT)std::max(cyMenu / 2, 11), mis.itemHeight);
    }
}

TEST(OwnerDrawnMenuMeasure, ItemsInBothStyles)
{
    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);
    COwnerDrawnMenu menu;
    CMenuItemData empty;
    CMenuItemData text;
    text.SetWideText(L"&Open\tCtrl+O");
    const int nTextWidth = TextWidth(L"&Open\tCtrl+O", TRUE);  // tab and accelerator included
    ASSERT_GT(nTextWidth, TextWidth(L"&OpenCtrl+O", TRUE));
    {
        CMenuStyleScope style(6, FALSE);
        MEASUREITEMSTRUCT mis = Measure(menu, &empty);
        EXPECT_EQ(33u, mis.itemWidth);
        EXPECT_EQ((UINT)std::max(cyMenu, 19), mis.itemHeight);
        mis = Measure(menu, &text);
        EXPECT_EQ((UINT)(nTextWidth + 33), mis.itemWidth);
        menu.m_nImageHeight = 30;
        EXPECT_EQ((UINT)std::max(cyMenu, 34), Measure(menu, &text).itemHeight);
        menu.m_nImageHeight = 15;
    }
    {
        CMenuStyleScope style(7, FALSE);
        MEASUREITEMSTRUCT mis = Measure(menu, &empty);
        EXPECT_EQ(31u, mis.itemWidth);
        EXPECT_EQ((UINT)std::max(cyMenu, 22), mis.itemHeight);
        EXPECT_EQ((UINT)(nTextWidth + 31), Measure(menu, &text).itemWidth);
    }
    {
        CMenuStyleScope style(7, TRUE);  // XP with the classic theme measures classic
        EXPECT_EQ(33u, Measure(menu, &empty).itemWidth);
        EXPECT_EQ((UINT)std::max(cyMenu, 19), Measure(menu, &empty).itemHeight);
    }
}

TEST(OwnerDrawnMenuMeasure, VersionCodesBelowTwoMeasureWithTheDCsOwnFont)
{
    COwnerDrawnMenu menu;
    CMenuItemData text;
    const wchar_t* pszText = L"Measured with which font? WWWWWWWW";
    text.SetWideText(pszText);
    {
        CMenuStyleScope style(1, FALSE);
        EXPECT_EQ((UINT)(TextWidth(pszText, FALSE) + 33), Measure(menu, &text).itemWidth);
    }
    {
        CMenuStyleScope style(2, FALSE);
        EXPECT_EQ((UINT)(TextWidth(pszText, TRUE) + 33), Measure(menu, &text).itemWidth);
    }
    if (TextWidth(pszText, FALSE) == TextWidth(pszText, TRUE))
        GTEST_SKIP() << "the DC's own font and the menu font measure alike here; the two cases look the same";
}

} // namespace
