// The image button: who releases which handle, the pixels a paint leaves in a 32-bit memory DC
// (the darker copy and transparency included), and real window messages: clicks, focus, disabling.
// The frame gives its buttons 18 x 18 images with a darker copy or none, never a grey copy, a
// second bitmap of its own or a drop-down menu, so those are left out; the per-pixel rules of the
// derived copies are tested natively.
#include "controls/button/image_button.h"
#include "tests/unit/dib_surface.h"
#include "tests/unit/button_parent.h"

using namespace zelvix_test;

namespace
{
const COLORREF kWhite = RGB(255, 255, 255);

// Screen-compatible, as LoadImage gives a bitmap resource.
HBITMAP MakeScreenBitmap(int cx, int cy, const ColorFn& fn)
{
    DibSurface source(cx, cy, fn);
    HDC hScreen = ::GetDC(NULL), hDC = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, cx, cy);
    HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
    ::BitBlt(hDC, 0, 0, cx, cy, source.hdc(), 0, 0, SRCCOPY);
    ::SelectObject(hDC, hOld);
    ::DeleteDC(hDC);
    ::ReleaseDC(NULL, hScreen);
    return hBitmap;
}
bool IsGone(HGDIOBJ h) { return h != NULL && ::GetObjectType(h) == 0; }

// 18 x 18: a 2-pixel white (transparent) border around colours, with (255,255,254) at (5,5),
// which is next to the key but opaque.
bool IsKey(int x, int y) { return x < 2 || y < 2 || x >= 16 || y >= 16; }
COLORREF Bordered(int x, int y)
{
    return IsKey(x, y) ? kWhite : x == 5 && y == 5 ? RGB(255, 255, 254) : RGB(40 + x * 10, 200 - y * 10, y == 9 ? 0 : 100);
}
COLORREF Dark(int x, int y)   // three quarters of each channel, rounded down
{
    const COLORREF c = Bordered(x, y);
    return RGB(GetRValue(c) * 3 / 4, GetGValue(c) * 3 / 4, GetBValue(c) * 3 / 4);
}
COLORREF Face(int, int) { return ::GetSysColor(COLOR_BTNFACE); }
COLORREF ParentPattern(int x, int y) { return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, 0x55); }
ColorFn Over(const ColorFn& back, const ColorFn& image)   // the image where it is opaque
{
    return [=](int x, int y) { return IsKey(x, y) ? back(x, y) : image(x, y); };
}
const RECT k18 = { 0, 0, 18, 18 };

class CTestButton : public CImageButton
{
public:
    using CImageButton::m_bmpParentCopy, CImageButton::m_dcParentCopy;

    ::testing::AssertionResult Paints(UINT nState, const ColorFn& expected)   // as an owner-draw request would
    {
        DibSurface s(18, 18);
        DRAWITEMSTRUCT dis = { ODT_BUTTON, 0, 0, 0, nState, m_hWnd, s.hdc(), k18, 0 };
        CImageButton::DrawItem(&dis);
        return PixelsAre(s, k18, expected);
    }
};

class ImageButton : public testing::Test
{
protected:
    CTestParent m_parent;
    CWnd m_panel;      // a child window of the top-level parent
    CTestButton m_button;
    CButton m_next;    // after the button in the tab order

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(400, 400, 300, 80));
        ASSERT_TRUE(m_panel.Create(AfxRegisterWndClass(0), NULL, WS_VISIBLE, CRect(0, 40, 300, 80), &m_parent, 1));
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_TRUE(m_next.Create("B", WS_VISIBLE | WS_TABSTOP, CRect(40, 2, 80, 20), &m_parent, 102));
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered), BMP_DARKER));
    }
    void TearDown() override { m_parent.DestroyWindow(); }
};
} // namespace

TEST_F(ImageButton, EveryHandleGivenOrMadeIsReleasedByTheNextAssignOrByDestruction)
{
    HBITMAP hHeld = MakeScreenBitmap(4, 4, Bordered);   // held by another DC: no mask can be made
    HDC hHolder = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hHolder, hHeld);
    const struct { HGDIOBJ hFirst, hSecond; int nResult; } cases[] = {   // a brush has no bitmap header
        { MakeScreenBitmap(4, 4, Bordered), ::CreateSolidBrush(0), IMGBTN_BAD_BITMAP },
        { hHeld, MakeScreenBitmap(4, 4, Bordered), IMGBTN_MASK_FAILED },
        { NULL, MakeScreenBitmap(4, 4, Bordered), IMGBTN_OK },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.nResult, m_button.AssignBitmaps((HBITMAP)c.hFirst, (HBITMAP)c.hSecond)) << &c - cases;
        EXPECT_TRUE(IsGone(c.hSecond) && (c.hFirst == hHeld || c.hFirst == NULL || IsGone(c.hFirst))) << &c - cases;
        EXPECT_TRUE(m_button.GetBitmapSlot(0).hBitmap == NULL && m_button.GetBitmapSlot(1).hBitmap == NULL);
    }
    ::SelectObject(hHolder, hOld);
    ::DeleteDC(hHolder);
    EXPECT_TRUE(IsGone(hHeld));   // Wine keeps a deleted bitmap while a DC holds it

    CTestButton* pButton = new CTestButton;
    ASSERT_TRUE(pButton->Create(NULL, WS_VISIBLE, CRect(30, 2, 48, 20), &m_parent, 103));
    std::vector<HGDIOBJ> handles;
    for (HBITMAP hSecond : { MakeScreenBitmap(6, 4, Bordered), BMP_DARKER }) {
        ASSERT_EQ(IMGBTN_OK, pButton->AssignBitmaps(MakeScreenBitmap(6, 4, Bordered), hSecond));
        for (HGDIOBJ h : handles)
            EXPECT_TRUE(IsGone(h)) << "handle " << h << " of the previous call";
        handles.clear();
        for (int i : { 0, 1 })
            handles.insert(handles.end(), { pButton->GetBitmapSlot(i).hBitmap, pButton->GetBitmapSlot(i).hMask });
    }
    pButton->EnableParentBackground(FALSE);
    DibSurface parentPicture(300, 80);
    ASSERT_EQ(IMGBTN_OK, pButton->CopyParentBackground(CDC::FromHandle(parentPicture.hdc())));
    handles.insert(handles.end(), { pButton->m_bmpParentCopy.m_hObject, pButton->m_dcParentCopy.m_hDC });
    delete pButton;
    for (HGDIOBJ h : handles)
        EXPECT_TRUE(IsGone(h)) << "handle " << h << " after destruction";
}

TEST_F(ImageButton, PaintsTheSecondImageAtRestTheFirstInASunkenEdgeWhenPressedAndTheParentWhereTransparent)
{
    EXPECT_TRUE(m_button.Paints(0, Over(Face, Dark)));
    EXPECT_TRUE(m_button.Paints(ODS_SELECTED, [](int x, int y) {   // bottom and right with both far corners
        return x == 17 || y == 17 ? ::GetSysColor(COLOR_BTNHIGHLIGHT)
                                  : x == 0 || y == 0 ? ::GetSysColor(COLOR_BTNSHADOW) : Over(Face, Bordered)(x, y);
    }));
    m_button.ShowBorder(FALSE, FALSE);
    EXPECT_TRUE(m_button.Paints(ODS_SELECTED, Over(Face, Bordered))) << "border off: pressing changes only the image";

    DibSurface parentPicture(300, 80, ParentPattern);
    CDC* pParentDC = CDC::FromHandle(parentPicture.hdc());
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(pParentDC)) << "not in parent-background mode";
    m_button.EnableParentBackground(FALSE);
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(NULL));
    ASSERT_EQ(IMGBTN_OK, m_button.CopyParentBackground(pParentDC));
    EXPECT_TRUE(m_button.Paints(ODS_SELECTED, Over([](int x, int y) { return ParentPattern(x + 2, y + 2); }, Bordered)));
}

TEST_F(ImageButton, ClickFocusesTheButtonBeforeTheParentsHandlerAndDoubleClicksAreClicks)
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

TEST_F(ImageButton, DisablingHandsTheFocusOnAlongTheTabOrder)
{
    m_panel.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_next.m_hWnd, ::GetFocus()) << "also when the button did not have the focus";
    m_next.DestroyWindow();
    m_button.EnableWindow(TRUE);
    m_button.SetFocus();
    m_button.EnableWindow(FALSE);
    EXPECT_EQ(m_parent.m_hWnd, ::GetFocus()) << "no other tab item: the parent";
}
