// COwnerDrawnMenu: the version code and the classic and XP item drawing pixel by pixel. (The
// template reader and the mnemonic and theme texts are tested and fuzzed natively.)
#include "tests/unit/dib_surface.h"
#include "controls/menu/owner_drawn_menu.h"

using namespace zelvix_test;

TEST(OwnerDrawnMenu, VersionCodeSevenOnlyForXPAndOneForLaterSystems)
{
    const struct { DWORD dwVersion, dwMajor, dwMinor; int nCode; } cases[] = {
        { 0x80000003, 3, 10, 0 }, { 0xC0000A04, 4, 10, 3 }, { 0x08930005, 5, 0, 6 },
        { 0x0A280105, 5, 1, 7 },  { 0x0ECE0205, 5, 2, 1 },  { 0x17700006, 6, 0, 1 } };
    for (const auto& c : cases)
        EXPECT_EQ(c.nCode, COwnerDrawnMenu::MapWindowsVersionCode(c.dwVersion, c.dwMajor, c.dwMinor))
            << c.dwMajor << "." << c.dwMinor;
}

namespace
{
COLORREF Sys(int nIndex) { return ::GetSysColor(nIndex); }

// One 180 x 22 item at (10, 6) of a 220 x 40 surface; the version code and the theme answer are
// forced until the test ends.
class MenuDraw : public ::testing::Test
{
protected:
    ~MenuDraw() override
    {
        Style(m_nVersion, m_bClassic);
        COwnerDrawnMenu::s_bThemeChecked = m_bChecked;
    }
    static void Style(int nVersion, BOOL bClassicTheme)
    {
        COwnerDrawnMenu::s_nWindowsVersion = nVersion;
        COwnerDrawnMenu::s_bThemeChecked = TRUE;
        COwnerDrawnMenu::s_bClassicTheme = bClassicTheme;
    }
    // Draws the item (through the dispatch unless bClassic) on a fresh sentinel background.
    void Draw(UINT nState, bool bClassic = false)
    {
        m_surface.Fill([](int, int) { return kSentinel; });
        DRAWITEMSTRUCT dis = { ODT_MENU, 0, 1, ODA_DRAWENTIRE, nState, NULL, m_surface.hdc(), m_rc, (ULONG_PTR)&m_item };
        bClassic ? m_menu.DrawItemClassic(&dis) : m_menu.DrawItem(&dis);
    }
    // The 7 x 7 check mark at (x, y) of the item on crFill: three pixels per column, the lowest in the third.
    ::testing::AssertionResult IsCheckMark(int x, int y, COLORREF crFill) const
    {
        static const int s_arrTop[7] = { 2, 3, 4, 3, 2, 1, 0 };
        x += m_rc.left, y += m_rc.top;
        return PixelsAre(m_surface, { x, y, x + 7, y + 7 }, [&](int px, int py) {
            return py - y >= s_arrTop[px - x] && py - y < s_arrTop[px - x] + 3 ? Sys(COLOR_MENUTEXT) : crFill;
        });
    }
    RECT Part(int l, int t, int r, int b) const { return { m_rc.left + l, m_rc.top + t, m_rc.left + r, m_rc.top + b }; }

    DibSurface m_surface{ 220, 40 };
    const RECT m_rc = { 10, 6, 190, 28 };
    COwnerDrawnMenu m_menu;
    CMenuItemData m_item;
    const int m_nVersion = COwnerDrawnMenu::s_nWindowsVersion;
    const BOOL m_bChecked = COwnerDrawnMenu::s_bThemeChecked, m_bClassic = COwnerDrawnMenu::s_bClassicTheme;
};
} // namespace

// Drawn through the dispatch: XP style only for version code 7 without the classic theme.
TEST_F(MenuDraw, SeparatorsAreAnEtchedLineAtHalfHeightAndXPStartsItRightOfTheBand)
{
    m_item.m_nFlags = MF_SEPARATOR | MF_OWNERDRAW;
    m_item.SetWideText(L"not drawn");
    const struct { int nVersion; BOOL bClassicTheme; bool bXP; } cases[] = {
        { 7, FALSE, true }, { 7, TRUE, false }, { 6, FALSE, false }, { 1, FALSE, false } };
    for (const auto& c : cases) {
        Style(c.nVersion, c.bClassicTheme);
        Draw(0);
        EXPECT_TRUE(PixelsAre(m_surface, m_rc, [&](int x, int y) {
            x -= m_rc.left, y -= m_rc.top;
            if (c.bXP && x < 23)
                return Sys(COLOR_BTNFACE);   // the band
            if ((y == 11 || y == 12) && x >= (c.bXP ? 30 : 0))
                return Sys(y == 11 ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
            return Sys(c.bXP ? COLOR_WINDOW : COLOR_MENU);
        })) << "version code " << c.nVersion << ", classic theme " << c.bClassicTheme;
    }
}

TEST_F(MenuDraw, CheckMarksSitInALightenedBoxClassicAndOnePixelFurtherRightCentredInTheXPBand)
{
    Style(7, FALSE);
    const COLORREF crBase = Sys(COLOR_BTNFACE);
    Draw(ODS_CHECKED, true);   // the box at (1, 2 + dy), dy = (22 - 15 - 4) / 2, with a sunken edge
    EXPECT_TRUE(IsCheckMark(5, 7, COwnerDrawnMenu::LightenColor(0.6, crBase)));
    EXPECT_TRUE(PixelsAre(m_surface, Part(1, 3, 16, 4), Sys(COLOR_BTNSHADOW))) << "the sunken edge";
    Draw(ODS_CHECKED | ODS_SELECTED, true);   // plain base colour; the bar starts 21 pixels in
    EXPECT_TRUE(IsCheckMark(5, 7, crBase));
    EXPECT_TRUE(PixelsAre(m_surface, Part(21, 0, 180, 22), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(PixelsAre(m_surface, Part(17, 0, 21, 22), kSentinel)) << "left of the bar is not painted";
    Draw(ODS_CHECKED);   // XP: the box at (4, 3) framed in the highlight colour, in the band
    EXPECT_TRUE(IsCheckMark(9, 7, COwnerDrawnMenu::LightenColor(0.85, Sys(COLOR_HIGHLIGHT))));
    EXPECT_TRUE(PixelsAre(m_surface, Part(4, 3, 5, 19), Sys(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(PixelsAre(m_surface, Part(0, 0, 4, 22), crBase)) << "band around the box";
}
