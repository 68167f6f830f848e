// The image button's behaviour under real window messages: creation and subclassing, clicks and
// focus, double-clicks, button messages, dialog codes, disabling, colour-scheme changes.
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
// Records what the window saw first, to check that subclassing happened before any handler.
class CFirstMessageButton : public CTestButton
{
public:
    BOOL m_bPreSubclassed = FALSE;
    UINT m_nFirstMessage = 0;
    BOOL m_bPreSubclassedAtFirst = FALSE;
    DWORD m_dwStyleAtCreate = 0;

    virtual void PreSubclassWindow()
    {
        CTestButton::PreSubclassWindow();
        m_bPreSubclassed = TRUE;
    }
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (m_nFirstMessage == 0) {
            m_nFirstMessage = message;
            m_bPreSubclassedAtFirst = m_bPreSubclassed;
        }
        if (message == WM_CREATE)
            m_dwStyleAtCreate = GetStyle();
        return CTestButton::WindowProc(message, wParam, lParam);
    }
};

class ImageButtonInput : public testing::Test
{
protected:
    CTestParent m_parent;
    CTestButton m_button;
    CButton m_other;  // a plain push button after the image button in the tab order
    CButton m_third;

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(400, 400, 300, 80));
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_TRUE(m_other.Create("B", WS_VISIBLE | WS_TABSTOP, CRect(40, 2, 80, 20), &m_parent, 102));
        ASSERT_TRUE(m_third.Create("C", WS_VISIBLE | WS_TABSTOP, CRect(90, 2, 130, 20), &m_parent, 103));
        ::SetForegroundWindow(m_parent.m_hWnd);
        PumpMessages();
        m_parent.m_notes.clear();
    }
    void TearDown() override
    {
        m_third.DestroyWindow();
        m_other.DestroyWindow();
        m_button.DestroyWindow();
        m_parent.DestroyWindow();
        PumpMessages();
    }

    void PostClick(HWND hWnd, UINT nDown)
    {
        ::PostMessageA(hWnd, nDown, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
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
    } cases[] = {
        { BS_PUSHBUTTON, FALSE, FALSE },
        { BS_DEFPUSHBUTTON, FALSE, TRUE },
        { BS_CHECKBOX, TRUE, FALSE },
        { BS_AUTOCHECKBOX, TRUE, FALSE },
        { BS_AUTO3STATE, TRUE, FALSE },
        { BS_RADIOBUTTON, FALSE, FALSE },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "button type " << c.dwType);
        CFirstMessageButton button;
        ASSERT_TRUE(button.Create(NULL, WS_VISIBLE | c.dwType, CRect(0, 0, 18, 18), &parent, 101));
        EXPECT_TRUE(button.m_bPreSubclassedAtFirst) << "first message 0x" << std::hex << button.m_nFirstMessage
                                                    << " arrived before PreSubclassWindow";
        EXPECT_EQ((DWORD)BS_OWNERDRAW, button.m_dwStyleAtCreate & 0x1F) << "style at WM_CREATE";
        EXPECT_EQ((DWORD)BS_OWNERDRAW, button.GetStyle() & 0x1F);
        EXPECT_NE(0u, button.GetStyle() & WS_CHILD) << "Create adds WS_CHILD";
        EXPECT_EQ(c.bToggle, button.IsToggleMode());
        EXPECT_EQ(c.bDefault, button.IsDefaultPush());
        button.DestroyWindow();
    }
    parent.DestroyWindow();
}

TEST_F(ImageButtonInput, PaintingReachesDrawItemThroughTheParent)
{
    m_button.m_drawStates.clear();
    m_button.SetState(TRUE);
    m_button.UpdateWindow();
    ASSERT_FALSE(m_button.m_drawStates.empty());
    EXPECT_NE(0u, m_button.m_drawStates.back() & ODS_SELECTED);
    m_button.SetState(FALSE);
    m_button.UpdateWindow();
    EXPECT_EQ(0u, m_button.m_drawStates.back() & ODS_SELECTED);
    // The colour query is answered with the hollow brush.
    HDC hdc = ::GetDC(m_button.m_hWnd);
    EXPECT_EQ((LRESULT)::GetStockObject(NULL_BRUSH),
              ::SendMessageA(m_parent.m_hWnd, WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)m_button.m_hWnd));
    ::ReleaseDC(m_button.m_hWnd, hdc);
}

TEST_F(ImageButtonInput, ClickFocusesTheButtonBeforeTheParentsHandler)
{
    // The notification alone, with the focus elsewhere: the button takes it first.
    m_other.SetFocus();
    ASSERT_EQ(m_other.m_hWnd, ::GetFocus());
    m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), (LPARAM)m_button.m_hWnd);
    ASSERT_EQ(1u, m_parent.m_notes.size());
    EXPECT_EQ(101u, m_parent.m_notes[0].nID);
    EXPECT_EQ(m_button.m_hWnd, m_parent.m_notes[0].hFocusAtHandler);

    // A whole click through the message loop.
    m_other.SetFocus();
    m_parent.m_notes.clear();
    PostClick(m_button.m_hWnd, WM_LBUTTONDOWN);
    PumpMessages();
    ASSERT_EQ(1u, m_parent.CountCode(BN_CLICKED));
    EXPECT_EQ(m_button.m_hWnd, m_parent.m_notes.back().hFocusAtHandler);
    EXPECT_EQ(m_button.m_hWnd, ::GetFocus());
}

TEST_F(ImageButtonInput, DoubleClickCountsAsTwoClicks)
{
    // Without the button's pre-translation the button class reports a double-click instead.
    PostClick(m_button.m_hWnd, WM_LBUTTONDOWN);
    PostClick(m_button.m_hWnd, WM_LBUTTONDBLCLK);
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    EXPECT_EQ(1u, m_parent.CountCode(BN_CLICKED));
    EXPECT_EQ(1u, m_parent.CountCode(BN_DOUBLECLICKED)) << "premise: the platform's owner-drawn button";

    m_parent.m_notes.clear();
    PostClick(m_button.m_hWnd, WM_LBUTTONDOWN);
    PostClick(m_button.m_hWnd, WM_LBUTTONDBLCLK);
    PumpMessages();
    EXPECT_EQ(2u, m_parent.CountCode(BN_CLICKED));
    EXPECT_EQ(0u, m_parent.CountCode(BN_DOUBLECLICKED));
}

TEST_F(ImageButtonInput, ToolTipIsCreatedOnTheFirstPreTranslatedMessage)
{
    CTestButton button;
    ASSERT_TRUE(button.Create(NULL, WS_VISIBLE, CRect(200, 2, 218, 20), &m_parent, 105));
    ASSERT_EQ(NULL, button.m_tipCtrl.m_hWnd);
    MSG msg = { button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3), 0, { 3, 3 } };
    EXPECT_FALSE(button.PreTranslateMessage(&msg));
    ASSERT_NE((HWND)NULL, button.m_tipCtrl.m_hWnd);
    char szClass[64] = "";
    ::GetClassNameA(button.m_tipCtrl.m_hWnd, szClass, sizeof(szClass));
    EXPECT_STREQ(TOOLTIPS_CLASSA, szClass);
    EXPECT_EQ(0, (int)::SendMessageA(button.m_tipCtrl.m_hWnd, TTM_GETTOOLCOUNT, 0, 0));
    EXPECT_EQ(400, (int)::SendMessageA(button.m_tipCtrl.m_hWnd, TTM_GETMAXTIPWIDTH, 0, 0));
    const HWND hTip = button.m_tipCtrl.m_hWnd;
    ::PostMessageA(button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    PumpMessages();
    EXPECT_EQ(hTip, button.m_tipCtrl.m_hWnd) << "one tool tip for the button's life";
    button.DestroyWindow();
}

TEST_F(ImageButtonInput, SetStyleKeepsOwnerDrawAndDecidesTheDialogCode)
{
    m_button.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(m_button.IsDefaultPush());
    UINT nCode = (UINT)m_button.SendMessage(WM_GETDLGCODE);
    EXPECT_NE(0u, nCode & DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(0u, nCode & DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x0F);

    // The forced style reaches the button class itself, which writes it into the window style.
    ::SetWindowLongA(m_button.m_hWnd, GWL_STYLE, (LONG)(m_button.GetStyle() & ~0x0Fu));
    m_button.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x0F);
    EXPECT_FALSE(m_button.IsDefaultPush());
    nCode = (UINT)m_button.SendMessage(WM_GETDLGCODE);
    EXPECT_NE(0u, nCode & DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(0u, nCode & DLGC_DEFPUSHBUTTON);

    // Other types leave the default state alone.
    m_button.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    m_button.SendMessage(BM_SETSTYLE, BS_AUTOCHECKBOX, FALSE);
    EXPECT_TRUE(m_button.IsDefaultPush());
    EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x0F);
}

TEST_F(ImageButtonInput, CheckStateOnlyInToggleMode)
{
    EXPECT_EQ(0, (int)m_button.SendMessage(BM_SETCHECK, BST_CHECKED));
    EXPECT_EQ(0, (int)m_button.SendMessage(BM_GETCHECK));

    CTestButton toggle;
    ASSERT_TRUE(toggle.Create(NULL, WS_VISIBLE | BS_CHECKBOX, CRect(140, 2, 158, 20), &m_parent, 104));
    const struct
    {
        WPARAM wSet;
        int nGot;
    } cases[] = { { BST_INDETERMINATE, 1 }, { 7, 0 }, { BST_CHECKED, 1 }, { BST_UNCHECKED, 0 } };
    for (const auto& c : cases) {
        EXPECT_EQ(0, (int)toggle.SendMessage(BM_SETCHECK, c.wSet));
        EXPECT_EQ(c.nGot, (int)toggle.SendMessage(BM_GETCHECK)) << "after BM_SETCHECK " << c.wSet;
    }

    // Clicks flip it; the parent hears every click.
    PostClick(toggle.m_hWnd, WM_LBUTTONDOWN);
    PumpMessages();
    EXPECT_EQ(1, (int)toggle.SendMessage(BM_GETCHECK));
    PostClick(toggle.m_hWnd, WM_LBUTTONDOWN);
    PumpMessages();
    EXPECT_EQ(0, (int)toggle.SendMessage(BM_GETCHECK));
    EXPECT_EQ(2u, m_parent.CountCode(BN_CLICKED));
    toggle.DestroyWindow();
}

TEST_F(ImageButtonInput, DisablingHandsTheFocusOnAlongTheTabOrder)
{
    m_button.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_other.m_hWnd, ::GetFocus()) << "from the focused button to the next tab item";

    // Even when the button did not have the focus.
    m_button.EnableWindow(TRUE);
    m_third.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_other.m_hWnd, ::GetFocus());

    // Enabling moves nothing.
    m_third.SetFocus();
    m_button.EnableWindow(TRUE);
    EXPECT_EQ(m_third.m_hWnd, ::GetFocus());

    // No other tab item: the parent takes the focus.
    m_other.DestroyWindow();
    m_third.DestroyWindow();
    m_button.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_parent.m_hWnd, ::GetFocus());
}

TEST(ImageButtonNoParent, DisablingMovesTheFocusNowhere)
{
    CTestParent other;
    ASSERT_TRUE(other.CreateParent(10, 300, 50, 50));
    HWND hTop = ::CreateWindowExA(0, "BUTTON", "", WS_POPUP, 100, 300, 18, 18, NULL, NULL,
                                  ::GetModuleHandleA(NULL), NULL);
    ASSERT_NE((HWND)NULL, hTop);
    ::ShowWindow(hTop, SW_SHOWNOACTIVATE);
    CTestButton button;
    ASSERT_TRUE(button.SubclassWindow(hTop));
    other.SetFocus();
    ASSERT_EQ(other.m_hWnd, ::GetFocus());
    button.EnableWindow(FALSE);
    EXPECT_EQ(other.m_hWnd, ::GetFocus());
    EXPECT_FALSE(button.IsWindowEnabled());
    button.DestroyWindow();
    other.DestroyWindow();
}

TEST_F(ImageButtonInput, ColourSchemeChangeResetsColoursAndDropsTheParentCopy)
{
    for (COLORREF& c : m_button.m_arrColors)
        c = RGB(1, 2, 3);
    m_button.EnableParentBackground(FALSE);
    DibSurface parentPicture(300, 80);
    ASSERT_EQ(IMGBTN_OK, m_button.CopyParentBackground(CDC::FromHandle(parentPicture.hdc())));
    const HGDIOBJ hCopyBitmap = m_button.m_bmpParentCopy.m_hObject;
    const HGDIOBJ hCopyDC = m_button.m_dcParentCopy.m_hDC;

    // A real scheme change: the platform tells the top-level windows, the frame its children.
    const int nIndices[2] = { COLOR_BTNFACE, COLOR_BTNTEXT };
    const COLORREF oldColours[2] = { ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT) };
    const COLORREF newColours[2] = { RGB(0x21, 0x43, 0x65), RGB(0x87, 0x65, 0x43) };
    ASSERT_TRUE(::SetSysColors(2, nIndices, newColours));
    PumpMessages();
    COLORREF got[BC_COLOR_COUNT];
    memcpy(got, m_button.m_arrColors, sizeof(got));
    ::SetSysColors(2, nIndices, oldColours);
    PumpMessages();

    for (int i = 0; i < BC_COLOR_COUNT; ++i)
        EXPECT_EQ(i % 2 == 0 ? newColours[0] : newColours[1], got[i]) << "colour " << i;
    EXPECT_TRUE(IsGone(hCopyBitmap));
    EXPECT_TRUE(IsGone(hCopyDC));
}

TEST(ImageButtonNested, ColourSchemeChangeReachesAButtonInsideAChildWindow)
{
    CTestParent top;
    ASSERT_TRUE(top.CreateParent(10, 200, 100, 60));
    CWnd panel;
    ASSERT_TRUE(panel.Create(AfxRegisterWndClass(0), NULL, WS_VISIBLE, CRect(0, 0, 80, 40), &top, 1));
    CTestButton button;
    ASSERT_TRUE(button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &panel, 101));
    for (COLORREF& c : button.m_arrColors)
        c = RGB(1, 2, 3);
    const int nIndex = COLOR_BTNFACE;
    const COLORREF crOld = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF crNew = RGB(0x31, 0x41, 0x59);
    ASSERT_TRUE(::SetSysColors(1, &nIndex, &crNew));
    PumpMessages();
    const COLORREF crGot = button.m_arrColors[BC_FACE_NORMAL];
    ::SetSysColors(1, &nIndex, &crOld);
    PumpMessages();
    EXPECT_EQ(crNew, crGot);
    button.DestroyWindow();
    panel.DestroyWindow();
    top.DestroyWindow();
}

TEST_F(ImageButtonInput, PointerMovingOnAndOffRepaintsNothing)
{
    m_button.UpdateWindow();
    m_button.m_drawStates.clear();
    m_button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(0, (int)m_button.SendMessage(WM_MOUSELEAVE));
    RECT rcUpdate;
    EXPECT_FALSE(::GetUpdateRect(m_button.m_hWnd, &rcUpdate, FALSE));
    m_button.UpdateWindow();
    EXPECT_TRUE(m_button.m_drawStates.empty());
}

TEST_F(ImageButtonInput, OwnCursorIsShownAndDestroyedWithTheButton)
{
    const BYTE andMask[4 * 32] = { 0 };
    const BYTE xorMask[4 * 32] = { 0 };
    HCURSOR hCursor = ::CreateCursor(::GetModuleHandleA(NULL), 0, 0, 32, 32, andMask, xorMask);
    ASSERT_NE((HCURSOR)NULL, hCursor);
    CTestButton* pButton = new CTestButton;
    ASSERT_TRUE(pButton->Create(NULL, WS_VISIBLE, CRect(200, 2, 218, 20), &m_parent, 105));
    pButton->m_hButtonCursor = hCursor;
    EXPECT_TRUE(pButton->SendMessage(WM_SETCURSOR, (WPARAM)pButton->m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(hCursor, ::GetCursor());
    ::SetCursor(::LoadCursor(NULL, IDC_ARROW));
    delete pButton;
    ICONINFO info;
    EXPECT_FALSE(::GetIconInfo(hCursor, &info)) << "cursor still alive after the button";
}
