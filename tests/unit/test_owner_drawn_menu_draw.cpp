// Pixel tests of COwnerDrawnMenu's classic and XP item drawing, check marks and radio bullets,
// the style dispatch, and item measurement. Text is checked by where its pixels lie.
#include <gtest/gtest.h>

#include "menu_test_support.h"

namespace
{

COLORREF Sys(int nIndex) { return ::GetSysColor(nIndex); }

// c + f * (255 - c) per channel, truncated, for f = nNum / nDen.
COLORREF Lighter(COLORREF cr, int nNum, int nDen)
{
    auto ch = [&](int c) { return c + (255 - c) * nNum / nDen; };
    return RGB(ch(GetRValue(cr)), ch(GetGValue(cr)), ch(GetBValue(cr)));
}

// The 7 x 7 check mark at (x, y): three pixels per column, lowest in the third; the rest crFill.
::testing::AssertionResult IsCheckMark(const CDibSurface& s, int x, int y, COLORREF crFill)
{
    static const int s_arrTop[7] = { 2, 3, 4, 3, 2, 1, 0 };
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j) {
            const bool bGlyph = j >= s_arrTop[i] && j < s_arrTop[i] + 3;
            if (s.Pixel(x + i, y + j) != (bGlyph ? Sys(COLOR_MENUTEXT) : crFill))
                return ::testing::AssertionFailure() << "check mark at (" << x << "," << y << "): wrong pixel ("
                                                     << x + i << "," << y + j << ")";
        }
    return ::testing::AssertionSuccess();
}

// The bullet: glyph-coloured pixels of rcBox span exactly (x, y)-(x + 6, y + 6), middle filled.
::testing::AssertionResult IsBullet(const CDibSurface& s, int x, int y, const RECT& rcBox)
{
    RECT b = { rcBox.right, rcBox.bottom, rcBox.left, rcBox.top };
    for (LONG py = rcBox.top; py < rcBox.bottom; ++py)
        for (LONG px = rcBox.left; px < rcBox.right; ++px)
            if (s.Pixel(px, py) == Sys(COLOR_MENUTEXT))
                b = { std::min(b.left, px), std::min(b.top, py), std::max(b.right, px + 1), std::max(b.bottom, py + 1) };
    const RECT rcWant = { x, y, x + 6, y + 6 }, rcMiddle = { x + 2, y + 2, x + 4, y + 4 };
    if (!EqualRect(&b, &rcWant) || !RectIs(s, rcMiddle, Sys(COLOR_MENUTEXT)))
        return ::testing::AssertionFailure() << "bullet at (" << b.left << "," << b.top << ")-(" << b.right << ","
                                             << b.bottom << "), expected at (" << x << "," << y << ")";
    return ::testing::AssertionSuccess();
}

// One 180 x 22 item at (10, 6) of a 220 x 40 surface; ITEM_ID in m_hMenu supplies its check-mark
// bitmaps.
class MenuDrawTest : public ::testing::Test
{
protected:
    enum { ITEM_ID = 4711 };
    MenuDrawTest() : m_surface(220, 40), m_hMenu(::CreatePopupMenu()) { ::AppendMenuA(m_hMenu, 0, ITEM_ID, "x"); }
    ~MenuDrawTest() override
    {
        ::DestroyMenu(m_hMenu);
        ::DeleteObject(m_hbmChecked);
    }
    void GiveCheckedBitmap()  // the item then shows the radio bullet
    {
        m_hbmChecked = ::CreateBitmap(13, 13, 1, 1, NULL);
        ::SetMenuItemBitmaps(m_hMenu, ITEM_ID, MF_BYCOMMAND, NULL, m_hbmChecked);
    }
    // Draws the item (through the dispatch unless bClassic) on a fresh sentinel background.
    DRAWITEMSTRUCT Draw(UINT nState, bool bClassic = false, CDibSurface* pSurface = NULL)
    {
        CDibSurface& s = pSurface != NULL ? *pSurface : m_surface;
        s.Fill(SENTINEL);
        DRAWITEMSTRUCT dis = { ODT_MENU, 0, ITEM_ID, ODA_DRAWENTIRE, nState, (HWND)m_hMenu, s.m_hDC, m_rc,
                               (ULONG_PTR)&m_item };
        if (bClassic)
            m_menu.DrawItemClassic(&dis);
        else
            m_menu.DrawItem(&dis);
        return dis;
    }
    RECT Part(int l, int t, int r, int b) const { return { m_rc.left + l, m_rc.top + t, m_rc.left + r, m_rc.top + b }; }
    bool StaysInItem() const
    {
        const RECT b = BoundsOfOther(m_surface, SENTINEL);
        RECT rcUnion;
        return ::UnionRect(&rcUnion, &b, &m_rc) && ::EqualRect(&rcUnion, &m_rc);
    }

    CDibSurface m_surface;
    HMENU m_hMenu;
    HBITMAP m_hbmChecked = NULL;
    RECT m_rc = { 10, 6, 190, 28 };
    COwnerDrawnMenu m_menu;
    CMenuItemData m_item;
};

TEST_F(MenuDrawTest, DispatchChoosesXPOnlyOnXPWithoutTheClassicTheme)
{
    const struct { int nVersion; BOOL bClassicTheme; bool bXP; } cases[] = {
        { 7, FALSE, true }, { 7, TRUE, false }, { 6, FALSE, false }, { 1, FALSE, false }, { 2, FALSE, false } };
    for (const auto& c : cases) {
        CMenuStyleScope style(c.nVersion, c.bClassicTheme);
        Draw(0);
        EXPECT_TRUE(RectIs(m_surface, Part(0, 0, 23, 22), Sys(c.bXP ? COLOR_BTNFACE : COLOR_MENU))) << c.nVersion;
        EXPECT_TRUE(RectIs(m_surface, Part(23, 0, 180, 22), Sys(c.bXP ? COLOR_WINDOW : COLOR_MENU))) << c.nVersion;
        EXPECT_TRUE(StaysInItem());
    }
    CMenuStyleScope style(7, FALSE);  // classic drawing on themed XP takes the button face
    Draw(0, true);
    EXPECT_TRUE(RectIs(m_surface, m_rc, Sys(COLOR_BTNFACE)));
}

TEST_F(MenuDrawTest, SeparatorsAreAnEtchedLineAtHalfHeightAndXPStartsItRightOfTheBand)
{
    CMenuStyleScope style(7, FALSE);  // button-face backgrounds: both etched colours show
    m_item.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
    m_item.SetWideText(L"not drawn");
    for (bool bClassic : { true, false }) {
        Draw(0, bClassic);
        const int nLeft = bClassic ? 0 : 30;
        const COLORREF crBack = Sys(bClassic ? COLOR_BTNFACE : COLOR_WINDOW);
        EXPECT_TRUE(RectIs(m_surface, Part(nLeft, 11, 180, 12), Sys(COLOR_BTNSHADOW))) << bClassic;
        EXPECT_TRUE(RectIs(m_surface, Part(nLeft, 12, 180, 13), Sys(COLOR_BTNHIGHLIGHT))) << bClassic;
        EXPECT_TRUE(RectIs(m_surface, Part(nLeft, 0, 180, 11), crBack) && RectIs(m_surface, Part(nLeft, 13, 180, 22), crBack));
        if (!bClassic) {
            EXPECT_TRUE(RectIs(m_surface, Part(0, 0, 23, 22), Sys(COLOR_BTNFACE)));
            EXPECT_TRUE(RectIs(m_surface, Part(23, 0, 30, 22), crBack));
        }
    }
}

TEST_F(MenuDrawTest, ClassicCheckBoxFillsEdgeMarkAndSelectionBar)
{
    CMenuStyleScope style(7, FALSE);
    const COLORREF crBase = Sys(COLOR_BTNFACE);
    const RECT rcBox = Part(1, 3, 17, 18);  // dy = (22 - 15 - 4) / 2 = 1
    Draw(ODS_CHECKED, true);
    EXPECT_TRUE(IsCheckMark(m_surface, rcBox.left + 4, rcBox.top + 4, Lighter(crBase, 6, 10)));
    EXPECT_TRUE(RectIs(m_surface, { rcBox.left, rcBox.top, rcBox.right - 1, rcBox.top + 1 }, Sys(COLOR_BTNSHADOW)));
    EXPECT_TRUE(RectIs(m_surface, { rcBox.left + 1, rcBox.bottom - 1, rcBox.right, rcBox.bottom }, Sys(COLOR_BTNHIGHLIGHT)));
    EXPECT_TRUE(RectIs(m_surface, { rcBox.right, rcBox.top, rcBox.right + 5, rcBox.bottom }, crBase));

    Draw(ODS_CHECKED | ODS_SELECTED, true);  // plain base colour; the bar starts 21 pixels in
    EXPECT_TRUE(IsCheckMark(m_surface, rcBox.left + 4, rcBox.top + 4, crBase));
    EXPECT_TRUE(RectIs(m_surface, Part(21, 0, 180, 22), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(RectIs(m_surface, Part(17, 0, 21, 22), SENTINEL)) << "left of the bar is not painted";

    m_rc.bottom = m_rc.top + 16;  // lower than 15 + 4: dy = 0, the box at top + 2
    Draw(ODS_CHECKED, true);
    EXPECT_TRUE(IsCheckMark(m_surface, m_rc.left + 5, m_rc.top + 6, Lighter(crBase, 6, 10)));

    CDC* pDC = CDC::FromHandle(m_surface.m_hDC);
    for (int nVersion : { 0, 1, 2 }) {  // the edge from version code 2 on
        CMenuStyleScope version(nVersion, FALSE);
        m_surface.Fill(SENTINEL);
        EXPECT_TRUE(COwnerDrawnMenu::DrawCheckedBackgroundClassic(rcBox, pDC, TRUE, NULL));
        EXPECT_EQ(Sys(nVersion >= 2 ? COLOR_BTNSHADOW : COLOR_MENU), m_surface.Pixel(rcBox.left, rcBox.top + 7));
    }
}

TEST_F(MenuDrawTest, XPCheckBoxIsCentredInTheBandWithTheMarkOnePixelFurtherRight)
{
    CMenuStyleScope style(7, FALSE);
    Draw(ODS_CHECKED);
    const RECT rcBox = Part(4, 3, 20, 19), rcInside = Part(5, 4, 19, 18);
    const COLORREF crFrame = Sys(COLOR_HIGHLIGHT);
    EXPECT_TRUE(RectIs(m_surface, { rcBox.left, rcBox.top, rcBox.right, rcBox.top + 1 }, crFrame));
    EXPECT_TRUE(RectIs(m_surface, { rcBox.left, rcBox.bottom - 1, rcBox.right, rcBox.bottom }, crFrame));
    EXPECT_TRUE(RectIs(m_surface, { rcBox.left, rcBox.top, rcBox.left + 1, rcBox.bottom }, crFrame));
    EXPECT_TRUE(RectIs(m_surface, { rcBox.right - 1, rcBox.top, rcBox.right, rcBox.bottom }, crFrame));
    EXPECT_TRUE(IsCheckMark(m_surface, rcBox.left + 5, rcBox.top + 4, Lighter(crFrame, 85, 100)));
    EXPECT_TRUE(RectIs(m_surface, Part(0, 0, 4, 22), Sys(COLOR_BTNFACE))) << "band around the box";

    GiveCheckedBitmap();
    Draw(ODS_CHECKED);
    EXPECT_TRUE(IsBullet(m_surface, rcBox.left + 5, rcBox.top + 4, rcInside));
    Draw(ODS_CHECKED, true);
    EXPECT_TRUE(IsBullet(m_surface, m_rc.left + 1 + 5, m_rc.top + 3 + 4, Part(2, 4, 16, 17)));
    CDibSurface black(30, 30);  // a black frame: the fill is 216.75 truncated
    const RECT rcBlack = { 2, 2, 18, 18 };
    COwnerDrawnMenu::DrawCheckedBackgroundXP(RGB(0, 0, 0), rcBlack, CDC::FromHandle(black.m_hDC), NULL);
    EXPECT_EQ(RGB(216, 216, 216), black.Pixel(4, 4));
}

TEST_F(MenuDrawTest, XPSelectionIsATintedFillFramedInTheHighlightWithoutBand)
{
    CMenuStyleScope style(7, FALSE);
    m_item.SetWideText(L"Mwm");
    Draw(ODS_SELECTED);
    EXPECT_TRUE(RectIs(m_surface, Part(1, 1, 30, 21), Lighter(Sys(COLOR_HIGHLIGHT), 7, 10)));
    EXPECT_TRUE(RectIs(m_surface, Part(0, 0, 180, 1), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(RectIs(m_surface, Part(179, 0, 180, 22), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(RectHas(m_surface, Part(31, 1, 80, 21), Sys(COLOR_MENUTEXT))) << "normal text colour";
}

TEST_F(MenuDrawTest, LabelStartsAfterTheImageColumnAndAcceleratorEndsBeforeTheEdge)
{
    for (bool bXP : { false, true }) {
        CMenuStyleScope style(7, bXP ? FALSE : TRUE);
        m_item.SetWideText(L"Mwm\tCtrl+MW");
        Draw(0);
        const int nStart = bXP ? 31 : 25;
        const RECT b = BoundsOfOther(m_surface, Sys(bXP ? COLOR_WINDOW : COLOR_MENU), Part(23, 0, 180, 22));
        EXPECT_TRUE(b.left >= m_rc.left + nStart && b.left <= m_rc.left + nStart + 3) << b.left - m_rc.left;
        EXPECT_TRUE(b.right <= m_rc.right - 16 && b.right >= m_rc.right - 19) << m_rc.right - b.right;
        CDibSurface other(220, 40);  // two tabs: the part between them is not drawn
        m_item.SetWideText(L"Mwm\tHIDDEN\tCtrl+MW");
        Draw(0, false, &other);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 220; ++x)
                ASSERT_EQ(m_surface.Pixel(x, y), other.Pixel(x, y)) << "(" << x << "," << y << ")";
    }
}

TEST_F(MenuDrawTest, ClassicDisabledTextIsEmbossedUnlessSelected)
{
    CMenuStyleScope style(7, FALSE);  // button-face background: the white emboss shows
    CFont font;  // drawn without smoothing, text pixels have exactly the text colours
    font.Attach(::CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma"));
    ::SelectObject(m_surface.m_hDC, font.m_hObject);
    m_item.SetWideText(L"Mwm\tCtrl+W");
    Draw(ODS_GRAYED, true);
    // The highlight pixels are exactly the grey text moved one pixel right and down, where the grey
    // text does not cover them.
    const COLORREF crGrey = Sys(COLOR_GRAYTEXT), crLight = Sys(COLOR_BTNHIGHLIGHT);
    int nEmboss = 0;
    for (int y = m_rc.top; y < m_rc.bottom; ++y)
        for (int x = m_rc.left + 25; x < m_rc.right; ++x) {
            const COLORREF cr = m_surface.Pixel(x, y);
            ASSERT_EQ(m_surface.Pixel(x - 1, y - 1) == crGrey && cr != crGrey, cr == crLight) << x << "," << y;
            ASSERT_TRUE(cr == crGrey || cr == crLight || cr == Sys(COLOR_BTNFACE)) << x << "," << y;
            nEmboss += cr == crLight;
        }
    EXPECT_GT(nEmboss, 10);
    Draw(ODS_GRAYED | ODS_SELECTED, true);
    EXPECT_TRUE(RectHas(m_surface, Part(25, 0, 164, 22), Sys(COLOR_BTNFACE))) << "text in the background colour";
    EXPECT_FALSE(RectHas(m_surface, m_rc, crGrey) || RectHas(m_surface, m_rc, crLight));
    ::SelectObject(m_surface.m_hDC, ::GetStockObject(SYSTEM_FONT));
}

TEST_F(MenuDrawTest, XPDisabledItemIsComposedOffScreenAndNeverSelected)
{
    CMenuStyleScope style(7, FALSE);
    m_item.SetWideText(L"Mwm\tCtrl+W");
    const DRAWITEMSTRUCT dis = Draw(ODS_GRAYED | ODS_SELECTED);
    EXPECT_EQ((UINT)ODS_GRAYED, dis.itemState) << "the request's selected bit is cleared";
    EXPECT_TRUE(StaysInItem());
    EXPECT_TRUE(RectIs(m_surface, Part(0, 0, 23, 22), Sys(COLOR_BTNFACE)));
    EXPECT_TRUE(RectHas(m_surface, Part(31, 0, 164, 22), Sys(COLOR_GRAYTEXT)));
    EXPECT_FALSE(RectHas(m_surface, m_rc, Sys(COLOR_MENUTEXT)) || RectHas(m_surface, m_rc, Sys(COLOR_HIGHLIGHT)));
    CDibSurface unselected(220, 40);
    Draw(ODS_GRAYED, false, &unselected);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 220; ++x)
            ASSERT_EQ(m_surface.Pixel(x, y), unselected.Pixel(x, y)) << "(" << x << "," << y << ")";
}

// Width of a text on the desktop's DC, with the menu font or the DC's own.
int TextWidth(const wchar_t* psz, bool bMenuFont)
{
    CFont font;
    COwnerDrawnMenu::CreateMenuFont(font);
    HDC hDC = ::GetDC(::GetDesktopWindow());
    HGDIOBJ hOld = ::SelectObject(hDC, bMenuFont ? font.m_hObject : ::GetCurrentObject(hDC, OBJ_FONT));
    SIZE size = { 0, 0 };
    ::GetTextExtentPoint32W(hDC, psz, ::lstrlenW(psz), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(::GetDesktopWindow(), hDC);
    return size.cx;
}

TEST(OwnerDrawnMenuMeasure, BothStylesSeparatorsAndTheFontByVersion)
{
    const int cy = ::GetSystemMetrics(SM_CYMENU);
    const wchar_t* pszText = L"&Open\tCtrl+O WWWW";  // measured whole, tab included
    const struct { int nVersion; BOOL bClassic; int nImageHeight; bool bSeparator; const wchar_t* psz; int cx, cy; } cases[] = {
        { 6, FALSE, 15, true, pszText, 0, std::max(cy / 2, 9) },
        { 6, FALSE, 40, true, NULL, 0, std::max(cy / 2, 22) },
        { 7, FALSE, 15, true, NULL, 0, std::max(cy / 2, 11) },
        { 6, FALSE, 15, false, NULL, 33, std::max(cy, 19) },
        { 6, FALSE, 30, false, NULL, 33, std::max(cy, 34) },
        { 7, TRUE, 15, false, NULL, 33, std::max(cy, 19) },
        { 7, FALSE, 15, false, NULL, 31, std::max(cy, 22) },
        { 6, FALSE, 15, false, pszText, 33 + TextWidth(pszText, true), std::max(cy, 19) },
        { 7, FALSE, 15, false, pszText, 31 + TextWidth(pszText, true), std::max(cy, 22) },
        { 1, FALSE, 15, false, pszText, 33 + TextWidth(pszText, false), std::max(cy, 19) },
    };
    for (const auto& c : cases) {
        CMenuStyleScope style(c.nVersion, c.bClassic);
        COwnerDrawnMenu menu;
        menu.m_nImageHeight = c.nImageHeight;
        CMenuItemData item;
        item.m_nFlags = c.bSeparator ? MF_SEPARATOR | MF_OWNERDRAW : MF_OWNERDRAW;
        item.SetWideText(c.psz);
        MEASUREITEMSTRUCT mis = { ODT_MENU, 0, 1, 0, 0, (ULONG_PTR)&item };
        menu.MeasureItem(&mis);
        EXPECT_EQ((UINT)c.cx, mis.itemWidth) << &c - cases;
        EXPECT_EQ((UINT)c.cy, mis.itemHeight) << &c - cases;
    }
}

} // namespace
