// Owner-drawn menus driven through the system's real menu loop: a plain test window tracks a
// loaded pop-up while a timer types into the menu loop. Checks that measure and draw requests
// reach the menu object that holds the item, and that typed mnemonics choose items through
// WM_MENUCHAR and COwnerDrawnMenu::FindMnemonicItem.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "menu_test_support.h"
#include "test_menus.h"

namespace
{

// Owner of the tracked menu: answers WM_MENUCHAR as the image button does and records what the
// framework's default routing made of every measure and draw request.
class CMenuHostWnd : public CWnd
{
public:
    std::map<ULONG_PTR, SIZE> m_measured;  // by item data: the size the routing filled in
    std::set<ULONG_PTR> m_drawn;
    std::vector<LRESULT> m_menuCharResults;

    BOOL CreateHost()
    {
        return CreateEx(WS_EX_TOPMOST, AfxRegisterWndClass(0), "menu test host", WS_POPUP | WS_VISIBLE, 200, 200,
                        120, 60, NULL, NULL);
    }

protected:
    // LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
    {
        if (!COwnerDrawnMenu::IsMenuRegistered(pMenu))
            return CWnd::OnMenuChar(nChar, nFlags, pMenu);
        const LRESULT lResult = COwnerDrawnMenu::FindMnemonicItem(nChar, nFlags, pMenu);
        m_menuCharResults.push_back(lResult);
        return lResult;
    }
    // void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
    {
        lpMeasureItemStruct->itemWidth = 0;
        lpMeasureItemStruct->itemHeight = 0;
        CWnd::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
        SIZE size = { (LONG)lpMeasureItemStruct->itemWidth, (LONG)lpMeasureItemStruct->itemHeight };
        m_measured[lpMeasureItemStruct->itemData] = size;
    }
    // void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
    {
        if (lpDrawItemStruct->CtlType == ODT_MENU)
            m_drawn.insert(lpDrawItemStruct->itemData);
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuHostWnd, CWnd)
    ON_WM_MENUCHAR()
    ON_WM_MEASUREITEM()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

// Steps run one per timer tick while the menu loop runs; the last ones close any menu left open.
std::vector<std::function<void()>>* g_pSteps = NULL;
size_t g_nStep = 0;

void CALLBACK RunNextStep(HWND /*hWnd*/, UINT /*uMsg*/, UINT_PTR /*idEvent*/, DWORD /*dwTime*/)
{
    if (g_pSteps != NULL && g_nStep < g_pSteps->size())
        (*g_pSteps)[g_nStep++]();
    else
        ::EndMenu();  // a safety net: the test never hangs in the menu loop
}

void TypeChar(HWND hWnd, char ch)
{
    ::PostMessageA(hWnd, WM_CHAR, (WPARAM)(unsigned char)ch, 1);
}

// Tracks pPopup as the image button does (left-aligned, right button, no notifications, the
// command returned) while the steps run; returns the chosen command.
UINT TrackWithSteps(CMenuHostWnd& host, CMenu* pPopup, std::vector<std::function<void()>>& steps)
{
    g_pSteps = &steps;
    g_nStep = 0;
    ::SetForegroundWindow(host.m_hWnd);
    const UINT_PTR nTimer = ::SetTimer(NULL, 0, 150, RunNextStep);
    const UINT nCmd = (UINT)pPopup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD,
                                                   220, 220, &host);
    ::KillTimer(NULL, nTimer);
    g_pSteps = NULL;
    return nCmd;
}

COwnerDrawnMenu* OwnerDrawnOf(HMENU hMenu)
{
    return DYNAMIC_DOWNCAST(COwnerDrawnMenu, CMenu::FromHandlePermanent(hMenu));
}

class MenuLoopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_host.CreateHost());
        ASSERT_TRUE(m_bar.LoadMenu(IDR_TEST_MENU_NESTED));
        m_pEdit = OwnerDrawnOf(::GetSubMenu(m_bar.m_hMenu, 0));
        ASSERT_NE(nullptr, m_pEdit);
        m_pMore = OwnerDrawnOf(::GetSubMenu(m_pEdit->m_hMenu, 2));
        ASSERT_NE(nullptr, m_pMore);
        m_pDeeper = OwnerDrawnOf(::GetSubMenu(m_pMore->m_hMenu, 1));
        ASSERT_NE(nullptr, m_pDeeper);
    }
    void TearDown() override
    {
        if (m_host.m_hWnd != NULL)
            m_host.DestroyWindow();
    }

    CMenuHostWnd m_host;
    COwnerDrawnMenu m_bar;
    COwnerDrawnMenu* m_pEdit = NULL;
    COwnerDrawnMenu* m_pMore = NULL;
    COwnerDrawnMenu* m_pDeeper = NULL;
};

TEST_F(MenuLoopTest, MnemonicsOpenNestedPopupsAndChooseTheCommand)
{
    const HWND hHost = m_host.m_hWnd;
    std::vector<std::function<void()>> steps = {
        [] {},
        [hHost] { TypeChar(hHost, 'M'); },  // "&More": opens the nested pop-up
        [hHost] { TypeChar(hHost, 'p'); },  // "Dee&per"
        [hHost] { TypeChar(hHost, 'b'); },  // "&Bottom": chosen
    };
    const UINT nCmd = TrackWithSteps(m_host, m_pEdit, steps);
    EXPECT_EQ((UINT)ID_TEST_BOTTOM, nCmd);
    ASSERT_EQ(3u, m_host.m_menuCharResults.size());
    EXPECT_EQ((LRESULT)0x20002, m_host.m_menuCharResults[0]);
    EXPECT_EQ((LRESULT)0x20001, m_host.m_menuCharResults[1]);
    EXPECT_EQ((LRESULT)0x20000, m_host.m_menuCharResults[2]);
}

TEST_F(MenuLoopTest, ItemsAreMeasuredAndDrawnByTheMenuThatHoldsThem)
{
    // Different image heights tell the menu objects apart by the heights they report.
    m_bar.m_nImageHeight = 60;
    m_pEdit->m_nImageHeight = 25;
    m_pMore->m_nImageHeight = 35;
    m_pDeeper->m_nImageHeight = 45;
    // A separator and a command id that the outer pop-up also has: found by id alone, they would
    // be measured by the outer pop-up.
    ASSERT_TRUE(m_pDeeper->AppendOwnerDrawnItem(0, 0, NULL));
    ASSERT_TRUE(m_pDeeper->AppendOwnerDrawnItem(0, ID_TEST_UNDO, L"&Again"));

    const HWND hHost = m_host.m_hWnd;
    std::vector<std::function<void()>> steps = {
        [] {},
        [hHost] { TypeChar(hHost, 'm'); },
        [hHost] { TypeChar(hHost, 'p'); },
        [] {},
        [hHost] { ::PostMessageA(hHost, WM_KEYDOWN, VK_ESCAPE, 0); },
        [hHost] { ::PostMessageA(hHost, WM_KEYDOWN, VK_ESCAPE, 0); },
        [hHost] { ::PostMessageA(hHost, WM_KEYDOWN, VK_ESCAPE, 0); },
    };
    TrackWithSteps(m_host, m_pEdit, steps);

    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);
    struct Expect { COwnerDrawnMenu* pMenu; int nIndex; int nHeight; const char* pszWhat; };
    const Expect expected[] = {
        { m_pEdit, 0, std::max(cyMenu, 29), "command in the tracked pop-up" },
        { m_pEdit, 1, std::max(cyMenu / 2, 29 / 2), "separator in the tracked pop-up" },
        { m_pEdit, 2, std::max(cyMenu, 29), "pop-up entry in the tracked pop-up" },
        { m_pMore, 0, std::max(cyMenu, 39), "command one level down" },
        { m_pMore, 1, std::max(cyMenu, 39), "pop-up entry one level down" },
        { m_pDeeper, 0, std::max(cyMenu, 49), "command two levels down" },
        { m_pDeeper, 1, std::max(cyMenu / 2, 49 / 2), "separator two levels down" },
        { m_pDeeper, 2, std::max(cyMenu, 49), "command whose id the tracked pop-up also has" },
    };
    for (const Expect& e : expected) {
        const ULONG_PTR data = (ULONG_PTR)e.pMenu->m_arrItems[e.nIndex];
        auto it = m_host.m_measured.find(data);
        ASSERT_NE(m_host.m_measured.end(), it) << e.pszWhat << ": never measured";
        EXPECT_EQ(e.nHeight, it->second.cy) << e.pszWhat;
        EXPECT_TRUE(m_host.m_drawn.count(data)) << e.pszWhat << ": never drawn";
    }
}

TEST_F(MenuLoopTest, XPStyleReachesTheScreen)
{
    CMenuStyleScope style(7, FALSE);
    COLORREF crBand = CLR_INVALID, crTextArea = CLR_INVALID;
    RECT rcItem = { 0, 0, 0, 0 };
    const HWND hHost = m_host.m_hWnd;
    const HMENU hEdit = m_pEdit->m_hMenu;
    std::vector<std::function<void()>> steps = {
        [] {},
        [] {},
        [&] {
            // The first item ("&Undo", checked) in the open pop-up's client area. Wine's
            // GetMenuItemRect gives a pop-up item the right size but not the right place; the
            // items sit centred in the client area, whose margins follow from the sizes.
            ::GetMenuItemRect(hHost, hEdit, 0, &rcItem);
            RECT rcLast = { 0, 0, 0, 0 };
            ::GetMenuItemRect(hHost, hEdit, 2, &rcLast);
            const HWND hPopup = ::FindWindowA("#32768", NULL);
            RECT rcClient = { 0, 0, 0, 0 };
            ::GetClientRect(hPopup, &rcClient);
            const int cxMargin = (rcClient.right - (rcItem.right - rcItem.left)) / 2;
            const int cyMargin = (rcClient.bottom - (rcLast.bottom - rcItem.top)) / 2;
            HDC hDC = ::GetDC(hPopup);
            crBand = ::GetPixel(hDC, cxMargin + 2, cyMargin + 2);
            crTextArea = ::GetPixel(hDC, cxMargin + (rcItem.right - rcItem.left) - 8, cyMargin + 2);
            ::ReleaseDC(hPopup, hDC);
        },
        [hHost] { ::PostMessageA(hHost, WM_KEYDOWN, VK_ESCAPE, 0); },
    };
    TrackWithSteps(m_host, m_pEdit, steps);
    EXPECT_EQ(22, rcItem.bottom - rcItem.top) << "XP-style height with SM_CYMENU "
                                              << ::GetSystemMetrics(SM_CYMENU);
    EXPECT_EQ(ColorText(::GetSysColor(COLOR_BTNFACE)), ColorText(crBand)) << "the band";
    EXPECT_EQ(ColorText(::GetSysColor(COLOR_WINDOW)), ColorText(crTextArea)) << "the text area";
}

} // namespace
