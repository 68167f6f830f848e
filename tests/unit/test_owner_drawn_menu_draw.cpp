// COwnerDrawnMenu's classic and XP item drawing pixel by pixel, its check marks and radio
// bullets, the style dispatch and item measurement. Text is checked by where its pixels lie.
#include "dib_surface.h"
#include "owner_drawn_menu.h"

using namespace zelvix_test;

namespace
{
COLORREF Sys(int nIndex) { return ::GetSysColor(nIndex); }

// The 7 x 7 check mark at (x, y) on crFill: three pixels per column, the lowest in the third.
::testing::AssertionResult IsCheckMark(const DibSurface& s, int x, int y, COLORREF crFill)
{
    static const int s_arrTop[7] = { 2, 3, 4, 3, 2, 1, 0 };
    return PixelsAre(s, { x, y, x + 7, y + 7 }, [&](int px, int py) {
        return py - y >= s_arrTop[px - x] && py - y < s_arrTop[px - x] + 3 ? Sys(COLOR_MENUTEXT) : crFill;
    });
}

// The bullet: the glyph-coloured pixels of rcBox span exactly (x, y)-(x + 6, y + 6), middle filled.
::testing::AssertionResult IsBullet(const DibSurface& s, int x, int y, const RECT& rcBox)
{
    const RECT b = s.BoundsOf(rcBox, Sys(COLOR_MENUTEXT)), rcWant = { x, y, x + 6, y + 6 };
    if (::EqualRect(&b, &rcWant))
        return PixelsAre(s, { x + 2, y + 2, x + 4, y + 4 }, Sys(COLOR_MENUTEXT));
    return ::testing::AssertionFailure() << "bullet at (" << b.left << "," << b.top << ")-(" << b.right << ","
                                         << b.bottom << ")";
}

// Width of a text on the desktop's DC, with the menu font or (version codes 0 and 1) the DC's own.
int TextWidth(const wchar_t* psz, bool bMenuFont)
{
    CFont font;
    COwnerDrawnMenu::CreateMenuFont(font);
    HDC hDC = ::GetDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hDC, bMenuFont ? font.m_hObject : ::GetCurrentObject(hDC, OBJ_FONT));
    SIZE size = {};
    ::GetTextExtentPoint32W(hDC, psz, ::lstrlenW(psz), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(NULL, hDC);
    return size.cx;
}

// One 180 x 22 item at (10, 6) of a 220 x 40 surface; its entry in m_hMenu has the check-mark bitmaps.
class MenuDrawTest : public ::testing::Test
{
protected:
    enum { ITEM_ID = 4711 };
    MenuDrawTest() { ::AppendMenuA(m_hMenu, 0, ITEM_ID, "x"); }
    ~MenuDrawTest() override
    {
        ::DestroyMenu(m_hMenu);
        ::DeleteObject(m_hbmChecked);
        Style(m_nVersion, m_bClassic);
        COwnerDrawnMenu::s_bThemeChecked = m_bChecked;
    }
    // Forces the version code and the theme answer until the test ends.
    static void Style(int nVersion, BOOL bClassicTheme)
    {
        COwnerDrawnMenu::s_nWindowsVersion = nVersion;
        COwnerDrawnMenu::s_bThemeChecked = TRUE;
        COwnerDrawnMenu::s_bClassicTheme = bClassicTheme;
    }
    // Draws the item (through the dispatch unless bClassic) on a fresh sentinel background.
    DRAWITEMSTRUCT Draw(UINT nState, bool bClassic = false, DibSurface* pSurface = NULL)
    {
        DibSurface& s = pSurface != NULL ? *pSurface : m_surface;
        s.Fill([](int, int) { return kSentinel; });
        DRAWITEMSTRUCT dis = { ODT_MENU, 0, ITEM_ID, ODA_DRAWENTIRE, nState, (HWND)m_hMenu, s.hdc(), m_rc,
                               (ULONG_PTR)&m_item };
        bClassic ? m_menu.DrawItemClassic(&dis) : m_menu.DrawItem(&dis);
        return dis;
    }
    RECT Part(int l, int t, int r, int b) const { return { m_rc.left + l, m_rc.top + t, m_rc.left + r, m_rc.top + b }; }

    DibSurface m_surface{ 220, 40 };
    HMENU m_hMenu = ::CreatePopupMenu();
    HBITMAP m_hbmChecked = NULL;
    RECT m_rc = { 10, 6, 190, 28 };
    COwnerDrawnMenu m_menu;
    CMenuItemData m_item;
    const int m_nVersion = COwnerDrawnMenu::s_nWindowsVersion;
    const BOOL m_bChecked = COwnerDrawnMenu::s_bThemeChecked, m_bClassic = COwnerDrawnMenu::s_bClassicTheme;
};

TEST_F(MenuDrawTest, DispatchAndMeasurementChooseXPOnlyOnXPWithoutTheClassicTheme)
{
    const int cy = ::GetSystemMetrics(SM_CYMENU);
    const wchar_t* pszText = L"&Open\tCtrl+O WWWW";  // measured whole, tab included
    const struct { int nVersion; BOOL bClassicTheme; bool bXP; } cases[] = {
        { 7, FALSE, true }, { 7, TRUE, false }, { 6, FALSE, false }, { 1, FALSE, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version code " << c.nVersion << ", classic theme " << c.bClassicTheme);
        Style(c.nVersion, c.bClassicTheme);
        m_item.m_nFlags = MF_OWNERDRAW;
        m_item.SetWideText(NULL);
        Draw(0);
        EXPECT_TRUE(PixelsAre(m_surface, Part(0, 0, 23, 22), Sys(c.bXP ? COLOR_BTNFACE : COLOR_MENU)));
        EXPECT_TRUE(PixelsAre(m_surface, Part(23, 0, 180, 22), Sys(c.bXP ? COLOR_WINDOW : COLOR_MENU)));

        MEASUREITEMSTRUCT mis = { ODT_MENU, 0, ITEM_ID, 0, 0, (ULONG_PTR)&m_item };
        m_item.SetWideText(pszText);
        m_menu.MeasureItem(&mis);
        EXPECT_EQ((UINT)(TextWidth(pszText, c.nVersion >= 2) + (c.bXP ? 31 : 33)), mis.itemWidth);
        EXPECT_EQ((UINT)std::max(cy, c.bXP ? 22 : 19), mis.itemHeight);
        m_item.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
        m_menu.MeasureItem(&mis);
        EXPECT_EQ(0u, mis.itemWidth);
        EXPECT_EQ((UINT)std::max(cy / 2, c.bXP ? 11 : 9), mis.itemHeight);
    }
}

TEST_F(MenuDrawTest, SeparatorsAreAnEtchedLineAtHalfHeightAndXPStartsItRightOfTheBand)
{
    Style(7, FALSE);  // button-face backgrounds: both etched colours show
    m_item.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
    m_item.SetWideText(L"not drawn");
    for (bool bClassic : { true, false }) {
        Draw(0, bClassic);
        EXPECT_TRUE(PixelsAre(m_surface, m_rc, [&](int x, int y) {
            x -= m_rc.left, y -= m_rc.top;
            if (!bClassic && x < 23)
                return Sys(COLOR_BTNFACE);  // the band
            if ((y == 11 || y == 12) && x >= (bClassic ? 0 : 30))
                return Sys(y == 11 ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
            return Sys(bClassic ? COLOR_BTNFACE : COLOR_WINDOW);
        })) << (bClassic ? "classic" : "XP");
    }
}

TEST_F(MenuDrawTest, ClassicCheckBoxFillsEdgeMarkAndSelectionBar)
{
    Style(7, FALSE);
    const COLORREF crBase = Sys(COLOR_BTNFACE);
    const RECT rcBox = Part(1, 3, 17, 18);  // dy = (22 - 15 - 4) / 2 = 1
    Draw(ODS_CHECKED, true);
    EXPECT_TRUE(IsCheckMark(m_surface, rcBox.left + 4, rcBox.top + 4, COwnerDrawnMenu::LightenColor(0.6, crBase)));
    EXPECT_TRUE(PixelsAre(m_surface, { rcBox.left, rcBox.top, rcBox.right - 1, rcBox.top + 1 }, Sys(COLOR_BTNSHADOW)));

    Draw(ODS_CHECKED | ODS_SELECTED, true);  // plain base colour; the bar starts 21 pixels in
    EXPECT_TRUE(IsCheckMark(m_surface, rcBox.left + 4, rcBox.top + 4, crBase));
    EXPECT_TRUE(PixelsAre(m_surface, Part(21, 0, 180, 22), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(PixelsAre(m_surface, Part(17, 0, 21, 22), kSentinel)) << "left of the bar is not painted";
}

TEST_F(MenuDrawTest, XPCheckBoxIsCentredInTheBandWithTheMarkOnePixelFurtherRight)
{
    Style(7, FALSE);
    Draw(ODS_CHECKED);
    const RECT rcBox = Part(4, 3, 20, 19), rcInside = Part(5, 4, 19, 18);
    const COLORREF crFill = COwnerDrawnMenu::LightenColor(0.85, Sys(COLOR_HIGHLIGHT));
    EXPECT_TRUE(IsCheckMark(m_surface, rcBox.left + 5, rcBox.top + 4, crFill));
    EXPECT_TRUE(PixelsAre(m_surface, { rcBox.left, rcBox.top, rcBox.left + 1, rcBox.bottom }, Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(PixelsAre(m_surface, Part(0, 0, 4, 22), Sys(COLOR_BTNFACE))) << "band around the box";

    m_hbmChecked = ::CreateBitmap(13, 13, 1, 1, NULL);  // the radio bullet, whatever the bitmap holds
    ::SetMenuItemBitmaps(m_hMenu, ITEM_ID, MF_BYCOMMAND, NULL, m_hbmChecked);
    Draw(ODS_CHECKED);
    EXPECT_TRUE(IsBullet(m_surface, rcBox.left + 5, rcBox.top + 4, rcInside));
    Draw(ODS_CHECKED, true);
    EXPECT_TRUE(IsBullet(m_surface, m_rc.left + 1 + 5, m_rc.top + 3 + 4, Part(2, 4, 16, 17)));
}

TEST_F(MenuDrawTest, ClassicDisabledTextIsEmbossedUnlessSelected)
{
    Style(7, FALSE);  // button-face background: the white emboss shows
    CFont font;  // drawn without smoothing, text pixels have exactly the text colours
    font.Attach(::CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma"));
    ::SelectObject(m_surface.hdc(), font.m_hObject);
    m_item.SetWideText(L"Mwm\tCtrl+W");
    Draw(ODS_GRAYED, true);
    // Highlight pixels: exactly the grey text moved one pixel down-right, where no grey covers them.
    const COLORREF crGrey = Sys(COLOR_GRAYTEXT), crLight = Sys(COLOR_BTNHIGHLIGHT);
    EXPECT_TRUE(PixelsAre(m_surface, Part(25, 0, 180, 22), [&](int x, int y) {
        const COLORREF cr = m_surface.At(x, y);
        return cr == crGrey ? crGrey : m_surface.At(x - 1, y - 1) == crGrey ? crLight : Sys(COLOR_BTNFACE);
    }));
    EXPECT_TRUE(m_surface.Has(m_rc, crLight)) << "no emboss";
    Draw(ODS_GRAYED | ODS_SELECTED, true);
    EXPECT_TRUE(m_surface.Has(Part(25, 0, 164, 22), Sys(COLOR_BTNFACE))) << "text in the background colour";
    EXPECT_FALSE(m_surface.Has(m_rc, crGrey) || m_surface.Has(m_rc, crLight));
    ::SelectObject(m_surface.hdc(), ::GetStockObject(SYSTEM_FONT));
}

TEST_F(MenuDrawTest, XPDisabledItemIsComposedOffScreenAndNeverSelected)
{
    Style(7, FALSE);
    m_item.SetWideText(L"Mwm\tCtrl+W");
    const DRAWITEMSTRUCT dis = Draw(ODS_GRAYED | ODS_SELECTED);
    EXPECT_EQ((UINT)ODS_GRAYED, dis.itemState) << "the request's selected bit is cleared";
    EXPECT_TRUE(PixelsAre(m_surface, Part(0, 0, 23, 22), Sys(COLOR_BTNFACE)));
    EXPECT_TRUE(m_surface.Has(Part(31, 0, 164, 22), Sys(COLOR_GRAYTEXT))) << "no grey text";
    EXPECT_FALSE(m_surface.Has(m_rc, Sys(COLOR_MENUTEXT)) || m_surface.Has(m_rc, Sys(COLOR_HIGHLIGHT)));
    DibSurface unselected(220, 40);
    Draw(ODS_GRAYED, false, &unselected);
    EXPECT_TRUE(PixelsAre(m_surface, { 0, 0, 220, 40 }, [&](int x, int y) { return unselected.At(x, y); }));
}

} // namespace
