// Owner-drawn menus driven through the system's real menu loop: a plain window tracks a loaded
// pop-up while a timer types into the loop. Mnemonics choose items through WM_MENUCHAR, and
// every measure and draw request reaches the menu object that holds the item.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "menu_test_support.h"
#include "test_menus.h"

namespace
{

// Answers WM_MENUCHAR as the image button does; records the sizes the framework's routing gave.
class CMenuHostWnd : public CWnd
{
public:
    std::map<ULONG_PTR, UINT> m_heights;  // by item data
    std::map<ULONG_PTR, int> m_draws;
    std::vector<LRESULT> m_menuChars;

protected:
    // LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
    {
        if (!COwnerDrawnMenu::IsMenuRegistered(pMenu))
            return CWnd::OnMenuChar(nChar, nFlags, pMenu);
        m_menuChars.push_back(COwnerDrawnMenu::FindMnemonicItem(nChar, nFlags, pMenu));
        return m_menuChars.back();
    }
    // void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
    {
        lpMeasureItemStruct->itemHeight = 0;
        CWnd::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
        m_heights[lpMeasureItemStruct->itemData] = lpMeasureItemStruct->itemHeight;
    }
    // void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
    {
        ++m_draws[lpDrawItemStruct->itemData];
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuHostWnd, CWnd)
    ON_WM_MENUCHAR()
    ON_WM_MEASUREITEM()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

// Characters typed into the menu loop, one per timer tick ('\x1b': Escape); afterwards the loop
// is ended, so a test never hangs in it.
const char* g_pszKeys = "";
HWND g_hHost = NULL;

void CALLBACK TypeNextKey(HWND /*hWnd*/, UINT /*uMsg*/, UINT_PTR /*idEvent*/, DWORD /*dwTime*/)
{
    const char ch = *g_pszKeys;
    if (ch == '\0')
        ::EndMenu();
    else if (ch == '\x1b')
        ::PostMessageA(g_hHost, WM_KEYDOWN, VK_ESCAPE, 0);
    else if (ch != ' ')  // a pause
        ::PostMessageA(g_hHost, WM_CHAR, (WPARAM)(unsigned char)ch, 1);
    g_pszKeys += ch != '\0';
}

class MenuLoopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_host.CreateEx(WS_EX_TOPMOST, AfxRegisterWndClass(0), "menu host", WS_POPUP | WS_VISIBLE, 200,
                                    200, 100, 50, NULL, NULL));
        ASSERT_TRUE(m_bar.LoadMenu(IDR_TEST_MENU_NESTED));
        m_pEdit = DYNAMIC_DOWNCAST(COwnerDrawnMenu, m_bar.GetSubMenu(0));
        m_pMore = DYNAMIC_DOWNCAST(COwnerDrawnMenu, m_pEdit->GetSubMenu(2));
        m_pDeeper = DYNAMIC_DOWNCAST(COwnerDrawnMenu, m_pMore->GetSubMenu(1));
        ASSERT_TRUE(m_pEdit && m_pMore && m_pDeeper);
    }
    void TearDown() override { m_host.DestroyWindow(); }

    // Tracks the "&Edit" pop-up as the image button does, typing pszKeys; the chosen command.
    UINT Track(const char* pszKeys)
    {
        g_pszKeys = pszKeys;
        g_hHost = m_host.m_hWnd;
        ::SetForegroundWindow(m_host.m_hWnd);
        const UINT_PTR nTimer = ::SetTimer(NULL, 0, 150, TypeNextKey);
        const UINT nCmd = (UINT)m_pEdit->TrackPopupMenu(TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD, 220, 220, &m_host);
        ::KillTimer(NULL, nTimer);
        return nCmd;
    }

    CMenuHostWnd m_host;
    COwnerDrawnMenu m_bar;
    COwnerDrawnMenu *m_pEdit = NULL, *m_pMore = NULL, *m_pDeeper = NULL;
};

TEST_F(MenuLoopTest, MnemonicsOpenNestedPopupsAndChooseTheCommand)
{
    EXPECT_EQ((UINT)ID_TEST_BOTTOM, Track(" Mpb"));  // "&More", "Dee&per", "&Bottom"
    const std::vector<LRESULT> expected = { 0x20002, 0x20001, 0x20000 };
    EXPECT_EQ(expected, m_host.m_menuChars);
}

TEST_F(MenuLoopTest, ItemsAreMeasuredAndDrawnByTheMenuThatHoldsThem)
{
    // Different image heights tell the menu objects apart by the heights they report. The
    // innermost pop-up gets a separator and an id that the outer pop-up also has.
    m_bar.m_nImageHeight = 60;
    m_pEdit->m_nImageHeight = 25;
    m_pMore->m_nImageHeight = 35;
    m_pDeeper->m_nImageHeight = 45;
    ASSERT_TRUE(m_pDeeper->AppendOwnerDrawnItem(0, 0, NULL));
    ASSERT_TRUE(m_pDeeper->AppendOwnerDrawnItem(0, ID_TEST_UNDO, L"&Again"));
    Track(" mp \x1b\x1b\x1b");

    const int cy = ::GetSystemMetrics(SM_CYMENU);
    const struct { COwnerDrawnMenu* pMenu; int nIndex; int nHeight; } expected[] = {
        { m_pEdit, 0, std::max(cy, 29) },   { m_pEdit, 1, std::max(cy / 2, 14) }, { m_pEdit, 2, std::max(cy, 29) },
        { m_pMore, 0, std::max(cy, 39) },   { m_pMore, 1, std::max(cy, 39) },     { m_pDeeper, 0, std::max(cy, 49) },
        { m_pDeeper, 1, std::max(cy / 2, 24) }, { m_pDeeper, 2, std::max(cy, 49) },
    };
    for (const auto& e : expected) {
        const ULONG_PTR data = (ULONG_PTR)e.pMenu->m_arrItems[e.nIndex];
        EXPECT_EQ((UINT)e.nHeight, m_host.m_heights[data]) << "item " << e.nIndex << " of the pop-up at depth "
                                                           << (e.pMenu == m_pEdit ? 1 : e.pMenu == m_pMore ? 2 : 3);
        EXPECT_GT(m_host.m_draws[data], 0) << "never drawn";
    }
}

} // namespace
