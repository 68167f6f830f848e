// The image button's drop-down menu, driven through the platform's own menu loop: a thread timer
// posts keys into it while it runs.
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
const UINT kMenuNotify = WM_APP + 7;
const UINT kAlpha = 301;
const UINT kBeta = 302;

// What the timer saw inside the menu loop, and the keys it is to post there.
struct MenuDrive
{
    CTestButton* pButton = nullptr;
    std::vector<UINT> keys;     // WM_KEYDOWN virtual keys, or characters as WM_CHAR when >= 'a'
    int nTicks = 0;
    BOOL bSawMenuShowing = FALSE;
    BOOL bPaintedPressedInside = FALSE;
    BOOL bDrawnPressedInside = FALSE;
    size_t nPaintsInside = 0;  // paints recorded up to the check inside the loop
};
MenuDrive g_drive;

COLORREF Marker(int x, int y) { return (x < 2 || y < 2 || x >= 16 || y >= 16) ? kWhite : RGB(200, 40, 40); }

void CALLBACK DriveMenu(HWND /*hWnd*/, UINT /*nMsg*/, UINT_PTR nIDEvent, DWORD /*dwTime*/)
{
    MenuDrive& d = g_drive;
    if (++d.nTicks > 40) {  // a menu that ignores the keys must not hang the test
        ::KillTimer(NULL, nIDEvent);
        ::EndMenu();
        return;
    }
    if (d.nTicks != 2)
        return;
    // Inside the loop now: the button must look pressed, on the screen and when asked to draw.
    d.bSawMenuShowing = d.pButton->m_bMenuShowing;
    const size_t nBefore = d.pButton->m_drawPressed.size();
    d.pButton->Invalidate();
    d.pButton->UpdateWindow();
    d.nPaintsInside = d.pButton->m_drawPressed.size();
    d.bPaintedPressedInside = d.nPaintsInside > nBefore && d.pButton->m_drawPressed.back();
    DibSurface s(18, 18);
    d.pButton->DrawInto(s, 0);
    d.bDrawnPressedInside = s.At(8, 8) == Marker(8, 8);  // the first image, not the darker one
    for (UINT key : d.keys) {
        if (key >= 'a' && key <= 'z')
            ::PostMessageA(d.pButton->m_hWnd, WM_CHAR, key, 0);
        else
            ::PostMessageA(d.pButton->m_hWnd, WM_KEYDOWN, key, 0);
    }
}

class CNotifiedParent : public CTestParent
{
public:
    std::vector<std::pair<WPARAM, LPARAM>> m_menuNotes;
    LRESULT OnMenuNotify(WPARAM wParam, LPARAM lParam)
    {
        m_menuNotes.push_back(std::make_pair(wParam, lParam));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNotifiedParent, CTestParent)
    ON_MESSAGE(kMenuNotify, OnMenuNotify)
END_MESSAGE_MAP()

class ImageButtonDropMenu : public testing::Test
{
protected:
    CNotifiedParent m_parent;
    CTestButton m_button;
    COwnerDrawnMenu m_popup;

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(600, 300, 200, 60));
        ::SetForegroundWindow(m_parent.m_hWnd);
    }
    void TearDown() override
    {
        // The drop-down menu destroys the pop-up's platform menu with its own.
        m_button.DestroyWindow();
        m_button.m_dropMenu.DestroyMenu();
        m_popup.Detach();
        m_parent.DestroyWindow();
        PumpMessages();
    }

    void CreateButton(DWORD dwStyle)
    {
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE | dwStyle, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Marker), BMP_DARKER));
        ASSERT_TRUE(m_popup.CreatePopupMenu());
        ASSERT_TRUE(m_popup.AppendOwnerDrawnItem(MF_STRING, kAlpha, L"&Alpha"));
        ASSERT_TRUE(m_popup.AppendOwnerDrawnItem(MF_STRING, kBeta, L"&Beta"));
        ASSERT_TRUE(m_button.m_dropMenu.CreateMenu());
        ASSERT_TRUE(m_button.m_dropMenu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)m_popup.m_hMenu, L"Menu"));
        m_button.m_hCommandTarget = m_parent.m_hWnd;
        m_button.m_menuNotify.hWnd = m_parent.m_hWnd;
        m_button.m_menuNotify.nMessage = kMenuNotify;
        m_button.m_menuNotify.lParam = 0x5A5A;
        PumpMessages();
        m_parent.m_notes.clear();
    }

    // Clicks the button with a timer ready to post keys into the menu it may open.
    void ClickWithKeys(std::vector<UINT> keys)
    {
        g_drive = MenuDrive();
        g_drive.pButton = &m_button;
        g_drive.keys = keys;
        const UINT_PTR nTimer = ::SetTimer(NULL, 0, 20, DriveMenu);
        m_button.m_drawPressed.clear();
        ::PostMessageA(m_button.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageA(m_button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PumpMessages();
        ::KillTimer(NULL, nTimer);
        m_button.UpdateWindow();
    }

    // The button was repainted after the check inside the menu loop, and at rest.
    void ExpectAtRestAfterMenu()
    {
        ASSERT_GT(m_button.m_drawPressed.size(), g_drive.nPaintsInside) << "no repaint after the menu closed";
        EXPECT_FALSE(m_button.m_drawPressed.back()) << "still drawn pressed after the menu closed";
    }

    std::vector<UINT> CommandIDs() const
    {
        std::vector<UINT> ids;
        for (const CommandNote& n : m_parent.m_notes)
            ids.push_back(n.nID);
        return ids;
    }
};
} // namespace

TEST_F(ImageButtonDropMenu, ChosenItemIsPostedToTheCommandTarget)
{
    CreateButton(0);
    ClickWithKeys({ VK_DOWN, VK_RETURN });
    ASSERT_GE(g_drive.nTicks, 2) << "the menu loop never ran";
    EXPECT_TRUE(g_drive.bSawMenuShowing);
    EXPECT_TRUE(g_drive.bPaintedPressedInside) << "no pressed paint while the menu was open";
    EXPECT_TRUE(g_drive.bDrawnPressedInside);
    EXPECT_FALSE(m_button.m_bMenuShowing);
    ExpectAtRestAfterMenu();

    // The click reaches the parent after the menu; the chosen item follows as a posted command.
    EXPECT_EQ((std::vector<UINT>{ 101, kAlpha }), CommandIDs());
    ASSERT_EQ(1u, m_parent.m_menuNotes.size());
    EXPECT_EQ(m_popup.m_hMenu, ((CMenu*)m_parent.m_menuNotes[0].first)->m_hMenu);
    EXPECT_EQ((LPARAM)0x5A5A, m_parent.m_menuNotes[0].second);
}

TEST_F(ImageButtonDropMenu, MnemonicCharacterChoosesItsItem)
{
    CreateButton(0);
    ClickWithKeys({ 'b' });
    EXPECT_EQ((std::vector<UINT>{ 101, kBeta }), CommandIDs());
}

TEST_F(ImageButtonDropMenu, DismissedMenuPostsNothingAndRestsAgain)
{
    CreateButton(0);
    ClickWithKeys({ VK_ESCAPE });
    EXPECT_TRUE(g_drive.bPaintedPressedInside);
    EXPECT_EQ((std::vector<UINT>{ 101 }), CommandIDs());
    ExpectAtRestAfterMenu();
}

TEST_F(ImageButtonDropMenu, ToggleModeNeverOpensTheMenu)
{
    CreateButton(BS_AUTOCHECKBOX);
    ASSERT_TRUE(m_button.IsToggleMode());
    ClickWithKeys({ VK_ESCAPE });
    EXPECT_TRUE(m_parent.m_menuNotes.empty()) << "the menu was about to be shown";
    EXPECT_FALSE(g_drive.bSawMenuShowing);
    EXPECT_EQ(1, (int)m_button.SendMessage(BM_GETCHECK));
    EXPECT_EQ((std::vector<UINT>{ 101 }), CommandIDs());
}

TEST_F(ImageButtonDropMenu, MenuWithoutPopupTracksNothing)
{
    ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
    ASSERT_TRUE(m_button.m_dropMenu.CreateMenu());
    ASSERT_TRUE(m_button.m_dropMenu.AppendOwnerDrawnItem(MF_STRING, kAlpha, L"&Alpha"));
    m_button.m_hCommandTarget = m_parent.m_hWnd;
    PumpMessages();
    m_parent.m_notes.clear();
    m_button.m_drawPressed.clear();
    ::PostMessageA(m_button.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PumpMessages();
    m_button.UpdateWindow();
    ASSERT_FALSE(m_button.m_drawPressed.empty());
    EXPECT_TRUE(m_button.m_drawPressed.back()) << "not drawn pressed while held down";
    ::PostMessageA(m_button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpMessages();
    m_button.UpdateWindow();
    EXPECT_FALSE(m_button.m_bMenuShowing);
    EXPECT_FALSE(m_button.m_drawPressed.back()) << "still drawn pressed after the click";
    EXPECT_EQ((std::vector<UINT>{ 101 }), CommandIDs());
}

TEST_F(ImageButtonDropMenu, MenuMessagesGoToTheMenuOnlyForRegisteredMenus)
{
    CreateButton(0);
    // A pop-up item's measuring request names the pop-up's handle; its data is the item's record.
    ASSERT_EQ(1, (int)m_button.m_dropMenu.m_arrItems.GetSize());
    const ULONG_PTR record = (ULONG_PTR)m_button.m_dropMenu.m_arrItems[0];
    MEASUREITEMSTRUCT mis = { ODT_MENU, 0, (UINT)(UINT_PTR)m_popup.m_hMenu, 0xDEAD, 0xBEEF, record };
    m_button.SendMessage(WM_MEASUREITEM, 0, (LPARAM)&mis);
    EXPECT_NE(0xDEADu, mis.itemWidth) << "the registered pop-up was not measured";
    EXPECT_NE(0xBEEFu, mis.itemHeight);

    // The same request for a menu nobody registered goes to the default handling.
    CMenu stranger;
    ASSERT_TRUE(stranger.CreatePopupMenu());
    MEASUREITEMSTRUCT other = { ODT_MENU, 0, (UINT)(UINT_PTR)stranger.m_hMenu, 0xDEAD, 0xBEEF, record };
    m_button.SendMessage(WM_MEASUREITEM, 0, (LPARAM)&other);
    EXPECT_EQ(0xDEADu, other.itemWidth);
    EXPECT_EQ(0xBEEFu, other.itemHeight);

    // Menu characters: the registered pop-up answers with the item to execute.
    EXPECT_EQ(MAKELRESULT(1, MNC_EXECUTE),
              m_button.SendMessage(WM_MENUCHAR, MAKEWPARAM('b', MF_POPUP), (LPARAM)m_popup.m_hMenu));
    const WPARAM wChar = MAKEWPARAM('b', MF_POPUP);
    EXPECT_EQ(::DefWindowProcA(m_button.m_hWnd, WM_MENUCHAR, wChar, (LPARAM)stranger.m_hMenu),
              m_button.SendMessage(WM_MENUCHAR, wChar, (LPARAM)stranger.m_hMenu));
}
