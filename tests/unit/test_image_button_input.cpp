// The image button under real window messages: subclassing, clicks and focus, double-clicks,
// button messages, disabling, colour-scheme changes, and the drop-down menu driven through the
// platform's own menu loop (a thread timer posts keys into it).
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
// Notes whether subclassing happened before the window's first message.
class CFirstMessageButton : public CTestButton
{
public:
    BOOL m_bPreSubclassed = FALSE, m_bSeen = FALSE, m_bPreSubclassedAtFirst = FALSE;
    virtual void PreSubclassWindow() { CTestButton::PreSubclassWindow(), m_bPreSubclassed = TRUE; }
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (!m_bSeen)
            m_bSeen = TRUE, m_bPreSubclassedAtFirst = m_bPreSubclassed;
        return CTestButton::WindowProc(message, wParam, lParam);
    }
};

class ImageButtonInput : public testing::Test
{
protected:
    CTestParent m_parent;
    CWnd m_panel;  // the button sits in a child window of the top-level parent
    CTestButton m_button;
    CButton m_next, m_last;  // after the button in the tab order

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(400, 400, 300, 80));
        ASSERT_TRUE(m_panel.Create(AfxRegisterWndClass(0), NULL, WS_VISIBLE, CRect(0, 40, 300, 80), &m_parent, 1));
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_TRUE(m_next.Create("B", WS_VISIBLE | WS_TABSTOP, CRect(40, 2, 80, 20), &m_parent, 102));
        ASSERT_TRUE(m_last.Create("C", WS_VISIBLE | WS_TABSTOP, CRect(90, 2, 130, 20), &m_parent, 103));
        PumpMessages();
        m_parent.m_notes.clear();
    }
    void TearDown() override
    {
        m_last.DestroyWindow();
        m_next.DestroyWindow();
        m_button.DestroyWindow();
        m_panel.DestroyWindow();
        m_parent.DestroyWindow();
        PumpMessages();
    }
};
} // namespace

TEST(ImageButtonCreate, AnyTypeBecomesOwnerDrawnAndSetsToggleOrDefault)
{
    CTestParent parent;
    ASSERT_TRUE(parent.CreateParent(10, 10, 200, 50));
    const struct
    {
        DWORD dwType;
        BOOL bToggle, bDefault;
    } cases[] = { { BS_PUSHBUTTON, FALSE, FALSE }, { BS_DEFPUSHBUTTON, FALSE, TRUE }, { BS_CHECKBOX, TRUE, FALSE },
                  { BS_AUTO3STATE, TRUE, FALSE }, { BS_RADIOBUTTON, FALSE, FALSE } };
    for (const auto& c : cases) {
        CFirstMessageButton button;
        ASSERT_TRUE(button.Create(NULL, WS_VISIBLE | c.dwType, CRect(0, 0, 18, 18), &parent, 101));
        SCOPED_TRACE(testing::Message() << "button type " << c.dwType);
        EXPECT_TRUE(button.m_bPreSubclassedAtFirst) << "a message arrived before PreSubclassWindow";
        EXPECT_EQ((DWORD)(WS_CHILD | BS_OWNERDRAW), button.GetStyle() & (WS_CHILD | 0x1F));
        EXPECT_EQ(c.bToggle, button.IsToggleMode());
        EXPECT_EQ(c.bDefault, button.IsDefaultPush());
    }
    parent.DestroyWindow();
}

TEST_F(ImageButtonInput, ClickFocusesTheButtonBeforeTheParentsHandler)
{
    // The notification alone, the focus elsewhere: the button takes it before the parent acts.
    m_next.SetFocus();
    m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), (LPARAM)m_button.m_hWnd);
    ASSERT_EQ(1u, m_parent.m_notes.size());
    EXPECT_EQ(m_button.m_hWnd, m_parent.m_notes[0].hFocusAtHandler);

    // Whole clicks through the loop; a double-click is a second click.
    m_parent.m_notes.clear();
    PostClick(m_button.m_hWnd);
    PostClick(m_button.m_hWnd, WM_LBUTTONDBLCLK);
    PumpMessages();
    EXPECT_EQ(2u, m_parent.CountCode(BN_CLICKED));
    EXPECT_EQ(0u, m_parent.CountCode(BN_DOUBLECLICKED));
    EXPECT_NE((HWND)NULL, m_button.m_tipCtrl.m_hWnd) << "no tool tip after pre-translated messages";
}

TEST_F(ImageButtonInput, ButtonMessagesStyleDialogCodeAndCheckState)
{
    // The colour query of the owner-drawn button is answered with the hollow brush.
    DibSurface s(1, 1);
    EXPECT_EQ((LRESULT)::GetStockObject(NULL_BRUSH),
              m_parent.SendMessage(WM_CTLCOLORBTN, (WPARAM)s.hdc(), (LPARAM)m_button.m_hWnd));

    m_button.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    const UINT nPushCodes = DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON;
    EXPECT_EQ((UINT)DLGC_DEFPUSHBUTTON, (UINT)m_button.SendMessage(WM_GETDLGCODE) & nPushCodes);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x0F);
    m_button.SendMessage(BM_SETSTYLE, BS_AUTOCHECKBOX, TRUE);  // other types leave it
    EXPECT_TRUE(m_button.IsDefaultPush());
    // The forced type reaches the button class, which writes it into the window style.
    ::SetWindowLongA(m_button.m_hWnd, GWL_STYLE, (LONG)(m_button.GetStyle() & ~0x0Fu));
    m_button.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x0F);
    EXPECT_EQ((UINT)DLGC_UNDEFPUSHBUTTON, (UINT)m_button.SendMessage(WM_GETDLGCODE) & nPushCodes);

    EXPECT_EQ(0, (int)m_button.SendMessage(BM_SETCHECK, BST_CHECKED));
    EXPECT_EQ(0, (int)m_button.SendMessage(BM_GETCHECK)) << "check state outside toggle mode";
    CTestButton toggle;
    ASSERT_TRUE(toggle.Create(NULL, WS_VISIBLE | BS_CHECKBOX, CRect(140, 2, 158, 20), &m_parent, 104));
    for (WPARAM w : { BST_INDETERMINATE, 7, BST_CHECKED, BST_UNCHECKED }) {
        EXPECT_EQ(0, (int)toggle.SendMessage(BM_SETCHECK, w));
        const int nExpected = (w == BST_CHECKED || w == BST_INDETERMINATE) ? 1 : 0;
        EXPECT_EQ(nExpected, (int)toggle.SendMessage(BM_GETCHECK)) << "after BM_SETCHECK " << w;
    }
    PostClick(toggle.m_hWnd);
    PumpMessages();
    EXPECT_EQ(1, (int)toggle.SendMessage(BM_GETCHECK)) << "a click flips the check state";
    EXPECT_EQ(1u, m_parent.CountCode(BN_CLICKED));
}

TEST_F(ImageButtonInput, DisablingHandsTheFocusOnAlongTheTabOrder)
{
    m_button.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_next.m_hWnd, ::GetFocus());
    m_button.EnableWindow(TRUE);
    m_last.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_next.m_hWnd, ::GetFocus()) << "also when the button did not have the focus";
    m_last.SetFocus();
    m_button.EnableWindow(TRUE);
    EXPECT_EQ(m_last.m_hWnd, ::GetFocus()) << "enabling moved the focus";
    m_next.DestroyWindow();
    m_last.DestroyWindow();
    m_button.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_parent.m_hWnd, ::GetFocus()) << "no other tab item: the parent";

    // A button without a parent moves the focus nowhere.
    HWND hTop = ::CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 300, 18, 18, NULL, NULL, NULL, NULL);
    CTestButton orphan;
    ASSERT_TRUE(orphan.SubclassWindow(hTop));
    m_panel.SetFocus();
    orphan.EnableWindow(FALSE);
    EXPECT_EQ(m_panel.m_hWnd, ::GetFocus());
    orphan.DestroyWindow();
}

TEST_F(ImageButtonInput, ColourSchemeChangeResetsColoursAndReleasesTheParentCopy)
{
    // In the panel, so the change must travel down from the top-level window.
    CTestButton nested;
    ASSERT_TRUE(nested.Create(NULL, WS_VISIBLE, CRect(200, 2, 218, 20), &m_panel, 105));
    for (COLORREF& c : nested.m_arrColors)
        c = RGB(1, 2, 3);
    nested.EnableParentBackground(FALSE);
    DibSurface parentPicture(300, 80);
    ASSERT_EQ(IMGBTN_OK, nested.CopyParentBackground(parentPicture.dc()));
    const HGDIOBJ hCopyBitmap = nested.m_bmpParentCopy.m_hObject, hCopyDC = nested.m_dcParentCopy.m_hDC;

    const int nIndices[2] = { COLOR_BTNFACE, COLOR_BTNTEXT };
    const COLORREF oldColours[2] = { ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT) };
    const COLORREF newColours[2] = { RGB(0x21, 0x43, 0x65), RGB(0x87, 0x65, 0x43) };
    ASSERT_TRUE(::SetSysColors(2, nIndices, newColours));  // the platform tells the top-level windows
    COLORREF got[BC_COLOR_COUNT];
    memcpy(got, nested.m_arrColors, sizeof(got));
    ::SetSysColors(2, nIndices, oldColours);
    for (int i = 0; i < BC_COLOR_COUNT; ++i)
        EXPECT_EQ(newColours[i % 2], got[i]) << "colour " << i;
    EXPECT_TRUE(IsGone(hCopyBitmap));
    EXPECT_TRUE(IsGone(hCopyDC));
    nested.DestroyWindow();
}

/////////////////////////////////////////////////////////////////////////////
// Drop-down menu

namespace
{
const UINT kMenuNotify = WM_APP + 7, kAlpha = 301, kBeta = 302;

COLORREF Marker(int x, int y) { return (x < 2 || y < 2 || x >= 16 || y >= 16) ? kWhite : RGB(200, 40, 40); }

// What the timer saw inside the menu loop, and the keys it posts there.
struct MenuDrive
{
    CTestButton* pButton = nullptr;
    std::vector<UINT> keys;  // virtual keys; lower-case letters go as WM_CHAR
    int nTicks = 0;
    BOOL bMenuShowing = FALSE, bPaintedPressed = FALSE;
    size_t nPaintsInside = 0;
} g_drive;

void CALLBACK DriveMenu(HWND /*hWnd*/, UINT /*nMsg*/, UINT_PTR nIDEvent, DWORD /*dwTime*/)
{
    MenuDrive& d = g_drive;
    if (++d.nTicks > 40) {  // keys that were ignored must not hang the test
        ::KillTimer(NULL, nIDEvent);
        ::EndMenu();
    }
    if (d.nTicks != 2)
        return;
    d.bMenuShowing = d.pButton->m_bMenuShowing;
    d.pButton->Invalidate();
    d.pButton->UpdateWindow();
    d.nPaintsInside = d.pButton->m_drawPressed.size();
    d.bPaintedPressed = d.nPaintsInside > 0 && d.pButton->m_drawPressed.back();
    for (UINT key : d.keys)
        ::PostMessageA(d.pButton->m_hWnd, key >= 'a' ? WM_CHAR : WM_KEYDOWN, key, 0);
}

class CNotifiedParent : public CTestParent
{
public:
    std::vector<std::pair<WPARAM, LPARAM>> m_menuNotes;
    LRESULT OnMenuNotify(WPARAM wParam, LPARAM lParam) { return m_menuNotes.emplace_back(wParam, lParam), 0; }
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

    void SetUp() override { ASSERT_TRUE(m_parent.CreateParent(600, 300, 200, 60)); }
    void TearDown() override
    {
        m_button.DestroyWindow();
        m_button.m_dropMenu.DestroyMenu();  // destroys the pop-up's platform menu too
        m_popup.Detach();
        m_parent.DestroyWindow();
        PumpMessages();
    }
    void CreateButton(DWORD dwStyle, BOOL bWithPopup = TRUE)
    {
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE | dwStyle, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Marker), BMP_DARKER));
        ASSERT_TRUE(m_button.m_dropMenu.CreateMenu());
        if (bWithPopup) {
            ASSERT_TRUE(m_popup.CreatePopupMenu());
            ASSERT_TRUE(m_popup.AppendOwnerDrawnItem(MF_STRING, kAlpha, L"&Alpha"));
            ASSERT_TRUE(m_popup.AppendOwnerDrawnItem(MF_STRING, kBeta, L"&Beta"));
            ASSERT_TRUE(m_button.m_dropMenu.AppendOwnerDrawnItem(MF_POPUP, (UINT_PTR)m_popup.m_hMenu, L"Menu"));
        } else {
            ASSERT_TRUE(m_button.m_dropMenu.AppendOwnerDrawnItem(MF_STRING, kAlpha, L"&Alpha"));
        }
        m_button.m_hCommandTarget = m_parent.m_hWnd;
        m_button.m_menuNotify = CImageButton::MenuNotify{ m_parent.m_hWnd, kMenuNotify, 0x5A5A };
        PumpMessages();
        m_parent.m_notes.clear();
    }
    // Clicks the button, with a timer ready to post keys into a menu it opens.
    void ClickWithKeys(std::vector<UINT> keys)
    {
        g_drive = MenuDrive();
        g_drive.pButton = &m_button;
        g_drive.keys = keys;
        const UINT_PTR nTimer = ::SetTimer(NULL, 0, 20, DriveMenu);
        m_button.m_drawPressed.clear();
        PostClick(m_button.m_hWnd);
        PumpMessages();
        ::KillTimer(NULL, nTimer);
        m_button.UpdateWindow();
    }
    void ExpectRepaintedAtRest()
    {
        ASSERT_GT(m_button.m_drawPressed.size(), g_drive.nPaintsInside) << "no repaint after the menu";
        EXPECT_FALSE(m_button.m_drawPressed.back()) << "still drawn pressed after the menu";
        EXPECT_FALSE(m_button.m_bMenuShowing);
    }
};
} // namespace

TEST_F(ImageButtonDropMenu, ChosenItemIsPostedToTheCommandTargetAfterTheClick)
{
    CreateButton(0);
    ClickWithKeys({ 'b' });  // the mnemonic, answered through the button's WM_MENUCHAR
    ASSERT_GE(g_drive.nTicks, 2) << "the menu loop never ran";
    EXPECT_TRUE(g_drive.bMenuShowing);
    EXPECT_TRUE(g_drive.bPaintedPressed) << "not drawn pressed while the menu was open";
    ExpectRepaintedAtRest();
    EXPECT_EQ((std::vector<UINT>{ 101, kBeta }), m_parent.IDs());
    ASSERT_EQ(1u, m_parent.m_menuNotes.size());
    EXPECT_EQ(m_popup.m_hMenu, ((CMenu*)m_parent.m_menuNotes[0].first)->m_hMenu);
    EXPECT_EQ((LPARAM)0x5A5A, m_parent.m_menuNotes[0].second);
}

TEST_F(ImageButtonDropMenu, DismissedMenuPostsNothing)
{
    CreateButton(0);
    ClickWithKeys({ VK_DOWN, VK_ESCAPE });
    EXPECT_TRUE(g_drive.bPaintedPressed);
    ExpectRepaintedAtRest();
    EXPECT_EQ((std::vector<UINT>{ 101 }), m_parent.IDs());
}

TEST_F(ImageButtonDropMenu, ToggleModeNeverOpensTheMenu)
{
    CreateButton(BS_AUTOCHECKBOX);
    ClickWithKeys({ VK_DOWN, VK_RETURN });
    EXPECT_TRUE(m_parent.m_menuNotes.empty()) << "the menu was about to be shown";
    EXPECT_EQ(1, (int)m_button.SendMessage(BM_GETCHECK));
    EXPECT_EQ((std::vector<UINT>{ 101 }), m_parent.IDs());
}

TEST_F(ImageButtonDropMenu, MenuWithoutPopupTracksNothing)
{
    CreateButton(0, FALSE);
    ClickWithKeys({ VK_DOWN, VK_RETURN });
    EXPECT_FALSE(g_drive.bMenuShowing);
    ExpectRepaintedAtRest();
    EXPECT_EQ((std::vector<UINT>{ 101 }), m_parent.IDs());
}

TEST_F(ImageButtonDropMenu, MenuMessagesGoToTheMenuOnlyForRegisteredMenus)
{
    CreateButton(0);
    // A pop-up item's measuring request names the pop-up's handle; its data is the item's record.
    const ULONG_PTR record = (ULONG_PTR)m_button.m_dropMenu.m_arrItems[0];
    MEASUREITEMSTRUCT mis = { ODT_MENU, 0, (UINT)(UINT_PTR)m_popup.m_hMenu, 0xDEAD, 0xBEEF, record };
    m_button.SendMessage(WM_MEASUREITEM, 0, (LPARAM)&mis);
    EXPECT_TRUE(mis.itemWidth != 0xDEAD && mis.itemHeight != 0xBEEF) << "the registered pop-up was not measured";
    CMenu stranger;
    ASSERT_TRUE(stranger.CreatePopupMenu());
    MEASUREITEMSTRUCT other = { ODT_MENU, 0, (UINT)(UINT_PTR)stranger.m_hMenu, 0xDEAD, 0xBEEF, record };
    m_button.SendMessage(WM_MEASUREITEM, 0, (LPARAM)&other);
    EXPECT_TRUE(other.itemWidth == 0xDEAD && other.itemHeight == 0xBEEF) << "an unregistered menu was measured";

    const WPARAM wChar = MAKEWPARAM('b', MF_POPUP);
    EXPECT_EQ(MAKELRESULT(1, MNC_EXECUTE), m_button.SendMessage(WM_MENUCHAR, wChar, (LPARAM)m_popup.m_hMenu));
    EXPECT_EQ(::DefWindowProcA(m_button.m_hWnd, WM_MENUCHAR, wChar, (LPARAM)stranger.m_hMenu),
              m_button.SendMessage(WM_MENUCHAR, wChar, (LPARAM)stranger.m_hMenu));
}
