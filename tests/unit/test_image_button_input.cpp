// The image button under real window messages: clicks and focus, button messages, disabling,
// colour-scheme changes, and the drop-down menu driven through the platform's own menu loop.
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
class ImageButtonInput : public testing::Test
{
protected:
    CTestParent m_parent;
    CWnd m_panel;  // a child window of the top-level parent
    CTestButton m_button;
    CButton m_next;  // after the button in the tab order

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(400, 400, 300, 80));
        ASSERT_TRUE(m_panel.Create(AfxRegisterWndClass(0), NULL, WS_VISIBLE, CRect(0, 40, 300, 80), &m_parent, 1));
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_TRUE(m_next.Create("B", WS_VISIBLE | WS_TABSTOP, CRect(40, 2, 80, 20), &m_parent, 102));
    }
    void TearDown() override { m_parent.DestroyWindow(); }
};
} // namespace

TEST_F(ImageButtonInput, ClickFocusesTheButtonBeforeTheParentsHandlerAndDoubleClicksAreClicks)
{
    // The notification alone, with the focus elsewhere (a real click focuses through the class).
    m_next.SetFocus();
    m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), (LPARAM)m_button.m_hWnd);
    EXPECT_EQ(m_button.m_hWnd, m_parent.m_hFocusAtHandler);
    m_parent.m_commands.clear();
    PostClick(m_button.m_hWnd);
    PostClick(m_button.m_hWnd, WM_LBUTTONDBLCLK);
    PumpMessages();
    EXPECT_EQ((std::vector<UINT>{ 101, 101 }), m_parent.m_commands) << "two BN_CLICKED, no BN_DOUBLECLICKED";
}

TEST_F(ImageButtonInput, StyleAndCheckMessagesKeepTheOwnerDrawnType)
{
    const UINT nPushCodes = DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON;
    // With the type cleared, only a forced owner-draw type passed on to the class brings it back.
    for (UINT nStyle : { BS_DEFPUSHBUTTON, BS_PUSHBUTTON }) {
        ::SetWindowLongA(m_button.m_hWnd, GWL_STYLE, (LONG)(m_button.GetStyle() & ~0x0Fu));
        m_button.SendMessage(BM_SETSTYLE, nStyle, TRUE);
        EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x0F);
        EXPECT_EQ(nStyle == BS_DEFPUSHBUTTON ? (UINT)DLGC_DEFPUSHBUTTON : (UINT)DLGC_UNDEFPUSHBUTTON,
                  (UINT)m_button.SendMessage(WM_GETDLGCODE) & nPushCodes);
    }
    m_button.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(0, (int)m_button.SendMessage(BM_GETCHECK)) << "check state outside toggle mode";

    CTestButton toggle;
    ASSERT_TRUE(toggle.Create(NULL, WS_VISIBLE | BS_CHECKBOX, CRect(140, 2, 158, 20), &m_parent, 104));
    EXPECT_EQ((DWORD)BS_OWNERDRAW, toggle.GetStyle() & 0x1F);
    for (WPARAM w : { BST_INDETERMINATE, 7, BST_CHECKED, BST_UNCHECKED }) {
        EXPECT_EQ(0, (int)toggle.SendMessage(BM_SETCHECK, w));
        EXPECT_EQ((LRESULT)(w == BST_CHECKED || w == BST_INDETERMINATE), toggle.SendMessage(BM_GETCHECK)) << w;
    }
}

TEST_F(ImageButtonInput, DisablingHandsTheFocusOnAlongTheTabOrder)
{
    m_panel.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_next.m_hWnd, ::GetFocus()) << "also when the button did not have the focus";
    m_next.DestroyWindow();
    m_button.EnableWindow(TRUE);
    m_button.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_parent.m_hWnd, ::GetFocus()) << "no other tab item: the parent";

    HWND hTop = ::CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 300, 18, 18, NULL, NULL, NULL, NULL);
    CTestButton orphan;
    ASSERT_TRUE(orphan.SubclassWindow(hTop));
    m_panel.SetFocus();
    orphan.EnableWindow(FALSE);
    EXPECT_EQ(m_panel.m_hWnd, ::GetFocus()) << "a button without a parent moves the focus nowhere";
    orphan.DestroyWindow();
}

TEST_F(ImageButtonInput, ColourSchemeChangeResetsTheSixColours)
{
    // In the panel, so the change must travel down from the top-level window.
    CTestButton nested;
    ASSERT_TRUE(nested.Create(NULL, WS_VISIBLE, CRect(200, 2, 218, 20), &m_panel, 105));
    std::fill(nested.m_arrColors, nested.m_arrColors + BC_COLOR_COUNT, RGB(1, 2, 3));

    const int nIndices[2] = { COLOR_BTNFACE, COLOR_BTNTEXT };
    const COLORREF oldColours[2] = { ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT) },
                   newColours[2] = { RGB(0x21, 0x43, 0x65), RGB(0x87, 0x65, 0x43) };
    ASSERT_TRUE(::SetSysColors(2, nIndices, newColours));  // the platform tells the top-level windows
    const std::vector<COLORREF> got(nested.m_arrColors, nested.m_arrColors + BC_COLOR_COUNT);
    ::SetSysColors(2, nIndices, oldColours);
    for (int i = 0; i < BC_COLOR_COUNT; ++i)
        EXPECT_EQ(newColours[i % 2], got[i]) << "colour " << i;
}

/////////////////////////////////////////////////////////////////////////////
// Drop-down menu

namespace
{
// A thread timer posts keys into the menu loop (letters as WM_CHAR) and notes what it saw there.
CTestButton* g_pButton;
std::vector<UINT> g_keys;
int g_nTicks;
size_t g_nPaintsInside;
BOOL g_bPressedInside;  // showing the menu, and painted pressed

void CALLBACK DriveMenu(HWND /*hWnd*/, UINT /*nMsg*/, UINT_PTR /*nIDEvent*/, DWORD /*dwTime*/)
{
    if (++g_nTicks > 40)  // keys that were ignored must not hang the test
        ::EndMenu();
    if (g_nTicks != 2)
        return;
    g_pButton->Invalidate();
    g_pButton->UpdateWindow();
    g_nPaintsInside = g_pButton->m_drawPressed.size();
    g_bPressedInside = g_pButton->m_bMenuShowing && g_nPaintsInside > 0 && g_pButton->m_drawPressed.back();
    for (UINT key : g_keys)
        ::PostMessageA(g_pButton->m_hWnd, key >= 'a' ? WM_CHAR : WM_KEYDOWN, key, 0);
}
} // namespace

TEST(ImageButtonDropMenu, OpensPressedAndPostsTheChosenItemToTheCommandTarget)
{
    const UINT kAlpha = 301, kBeta = 302;
    const struct { DWORD dwStyle; BOOL bPopup; std::vector<UINT> keys, chosen; } cases[] = {
        { 0, TRUE, { 'b' }, { kBeta } },  // the mnemonic, answered through the button's WM_MENUCHAR
        { 0, TRUE, { VK_DOWN, VK_ESCAPE }, {} },
        { BS_AUTOCHECKBOX, TRUE, { VK_DOWN, VK_RETURN }, {} },  // toggle mode: no menu
        { 0, FALSE, { VK_DOWN, VK_RETURN }, {} },               // no pop-up at position 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        CTestParent parent, target;
        COwnerDrawnMenu popup;  // outlives the button, whose menu leaves a foreign pop-up alone
        CTestButton button;
        ASSERT_TRUE(parent.CreateParent(600, 300, 200, 60) && target.CreateParent(600, 400, 10, 10));
        ASSERT_TRUE(button.Create(NULL, WS_VISIBLE | c.dwStyle, CRect(2, 2, 20, 20), &parent, 101));
        ASSERT_TRUE(button.m_dropMenu.CreateMenu() && popup.CreatePopupMenu());
        ASSERT_TRUE(popup.AppendOwnerDrawnItem(0, kAlpha, L"&Alpha") && popup.AppendOwnerDrawnItem(0, kBeta, L"&Beta"));
        ASSERT_TRUE(c.bPopup ? button.m_dropMenu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)popup.m_hMenu, L"Menu")
                             : button.m_dropMenu.AppendOwnerDrawnItem(0, kAlpha, L"&Alpha"));
        button.m_hCommandTarget = target.m_hWnd;
        g_pButton = &button, g_keys = c.keys, g_nTicks = 0, g_nPaintsInside = 0, g_bPressedInside = FALSE;
        const UINT_PTR nTimer = ::SetTimer(NULL, 0, 20, DriveMenu);
        PostClick(button.m_hWnd);
        PumpMessages();
        ::KillTimer(NULL, nTimer);
        button.UpdateWindow();

        EXPECT_EQ(std::vector<UINT>{ 101 }, parent.m_commands) << "the click";
        EXPECT_EQ(c.chosen, target.m_commands) << "the chosen item";
        const BOOL bOpens = c.bPopup && c.dwStyle == 0, bChecked = c.dwStyle != 0;
        EXPECT_EQ(bOpens, g_bPressedInside) << "drawn pressed while open";
        ASSERT_GT(button.m_drawPressed.size(), g_nPaintsInside) << "no repaint after the click";
        EXPECT_EQ(bChecked, button.m_drawPressed.back()) << "afterwards drawn pressed only when checked";
        EXPECT_EQ((LRESULT)bChecked, button.SendMessage(BM_GETCHECK));
        parent.DestroyWindow();
    }
}
