// The image button's painting, pixel by pixel in 32-bit memory DCs and on a real parent window.
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
// An 18 x 18 image: a 2-pixel white (transparent) border around coloured pixels.
COLORREF BorderedImage(int x, int y)
{
    if (x < 2 || y < 2 || x >= 16 || y >= 16)
        return kWhite;
    return RGB(40 + x * 10, 200 - y * 10, 100);
}

// What the parent shows under the button: different at every pixel.
COLORREF ParentPattern(int x, int y) { return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, 0x55); }

COLORREF Dark(COLORREF c) { return (COLORREF)zelvix::DarkPixel(c); }

class ImageButtonPaint : public testing::Test
{
protected:
    CTestParent m_parent;
    CTestButton m_button;

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(200, 200, 200, 100));
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
    }
    void TearDown() override
    {
        m_button.DestroyWindow();
        m_parent.DestroyWindow();
        PumpMessages();
    }

    void AssignBordered(HBITMAP hSecond)
    {
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, BorderedImage), hSecond));
    }

    // Compares the button's 18 x 18 area of the surface with expected(x, y); the rest of the
    // surface must still hold the sentinel.
    static void ExpectPixels(const DibSurface& s, const ColorFn& expected)
    {
        int nBad = 0;
        for (int y = 0; y < s.cy(); ++y) {
            for (int x = 0; x < s.cx(); ++x) {
                const COLORREF want = (x < 18 && y < 18) ? expected(x, y) : kSentinel;
                const COLORREF got = s.At(x, y);
                if (want != got && ++nBad <= 8)
                    ADD_FAILURE() << "pixel (" << x << "," << y << "): expected 0x" << std::hex << want << ", got 0x"
                                  << got;
            }
        }
        EXPECT_EQ(0, nBad) << "pixels differ";
    }
};
} // namespace

TEST_F(ImageButtonPaint, RestShowsDarkerImagePressedShowsFirstWithSunkenEdge)
{
    AssignBordered(BMP_DARKER);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);

    DibSurface rest(24, 24);
    m_button.DrawInto(rest, 0);
    ExpectPixels(rest, [&](int x, int y) {
        const COLORREF c = BorderedImage(x, y);
        return c == kWhite ? face : Dark(c);
    });

    DibSurface pressed(24, 24);
    m_button.DrawInto(pressed, ODS_SELECTED);
    ExpectPixels(pressed, [&](int x, int y) {
        // Top and left edges in shadow, bottom and right (with the two far corners) in highlight.
        if (x == 17 || y == 17)
            return highlight;
        if (x == 0 || y == 0)
            return shadow;
        const COLORREF c = BorderedImage(x, y);
        return c == kWhite ? face : c;
    });

    // One image only: the same picture in both states.
    AssignBordered(NULL);
    DibSurface single(24, 24);
    m_button.DrawInto(single, 0);
    ExpectPixels(single, [&](int x, int y) {
        const COLORREF c = BorderedImage(x, y);
        return c == kWhite ? face : c;
    });
}

TEST_F(ImageButtonPaint, WithBorderOffPressingChangesOnlyTheImage)
{
    AssignBordered(BMP_DARKER);
    m_button.ShowBorder(FALSE, FALSE);
    DibSurface rest(24, 24), pressed(24, 24);
    m_button.DrawInto(rest, 0);
    m_button.DrawInto(pressed, ODS_SELECTED);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    ExpectPixels(pressed, [&](int x, int y) {
        const COLORREF c = BorderedImage(x, y);
        return c == kWhite ? face : c;
    });
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            if (BorderedImage(x, y) == kWhite) {
                EXPECT_EQ(rest.At(x, y), pressed.At(x, y)) << "transparent pixel (" << x << "," << y << ")";
            }
        }
    }
}

TEST_F(ImageButtonPaint, ParentBackgroundShowsTheParentCopyWithoutFaceOrEdge)
{
    AssignBordered(BMP_DARKER);
    m_button.EnableParentBackground(FALSE);
    m_button.ShowBorder(FALSE, TRUE);

    // Nothing to copy from without the mode or a DC.
    CTestButton plain;
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, plain.CopyParentBackground(NULL));
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(NULL));

    DibSurface parentPicture(200, 100);
    parentPicture.Fill(ParentPattern);
    ASSERT_EQ(IMGBTN_OK, m_button.CopyParentBackground(CDC::FromHandle(parentPicture.hdc())));
    // The copy is taken now: later changes of the parent do not show until the next copy.
    parentPicture.Fill(kBlack);

    for (UINT nState : { 0u, (UINT)ODS_SELECTED }) {
        SCOPED_TRACE(nState == 0 ? "at rest" : "pressed");
        DibSurface s(24, 24);
        m_button.DrawInto(s, nState);
        ExpectPixels(s, [&](int x, int y) {
            const COLORREF c = BorderedImage(x, y);
            if (c == kWhite)
                return ParentPattern(x + 2, y + 2);  // the button sits at (2, 2) in its parent
            return nState == 0 ? Dark(c) : c;
        });
    }
}

TEST_F(ImageButtonPaint, FirstPaintCopiesWhatTheParentWindowShows)
{
    m_parent.m_paint = ParentPattern;
    AssignBordered(BMP_DARKER);
    m_button.EnableParentBackground(FALSE);
    m_button.ShowBorder(FALSE, FALSE);
    m_parent.ModifyStyle(WS_CLIPCHILDREN, 0);
    m_button.m_drawStates.clear();
    ::RedrawWindow(m_parent.m_hWnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_FALSE(m_button.m_drawStates.empty()) << "the parent's WM_DRAWITEM did not reach the button";
    ASSERT_NE((HDC)NULL, m_button.m_dcParentCopy.m_hDC) << "no parent copy after the paint";

    // Read the button's pixels back from its window.
    DibSurface screen(18, 18);
    HDC hButtonDC = ::GetDC(m_button.m_hWnd);
    ::BitBlt(screen.hdc(), 0, 0, 18, 18, hButtonDC, 0, 0, SRCCOPY);
    ::ReleaseDC(m_button.m_hWnd, hButtonDC);
    int nBad = 0;
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            const COLORREF c = BorderedImage(x, y);
            const COLORREF want = c == kWhite ? ParentPattern(x + 2, y + 2) : Dark(c);
            if (screen.At(x, y) != want && ++nBad <= 8)
                ADD_FAILURE() << "window pixel (" << x << "," << y << "): expected 0x" << std::hex << want
                              << ", got 0x" << screen.At(x, y);
        }
    }
    EXPECT_EQ(0, nBad);
}

TEST_F(ImageButtonPaint, LargerImageIsCentredWithNegativeOffsets)
{
    // 20 x 20, every pixel different and none white.
    auto unique = [](int x, int y) { return RGB(x * 12, y * 12, 77); };
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(20, 20, unique), BMP_DARKER));
    DibSurface rest(18, 18), pressed(18, 18);
    m_button.DrawInto(rest, 0);
    m_button.DrawInto(pressed, ODS_SELECTED);
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            ASSERT_EQ(Dark(unique(x + 1, y + 1)), rest.At(x, y)) << "at rest, pixel (" << x << "," << y << ")";
            // The opaque image covers the sunken edge completely.
            ASSERT_EQ(unique(x + 1, y + 1), pressed.At(x, y)) << "pressed, pixel (" << x << "," << y << ")";
        }
    }
}

TEST_F(ImageButtonPaint, DrawingPlacesTheImageByPlacementAndCaption)
{
    m_button.MoveWindow(2, 2, 40, 24);
    auto solid = [](int, int) { return RGB(10, 100, 200); };
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    // Where the caption rectangle starts, the text may cover the image (above: from row 8).
    const struct
    {
        BYTE nPlacement;
        const char* pszCaption;
        int left, top, rows;
    } cases[] = {
        { IMAGE_RIGHT, "", 16, 0, 8 },    // centred across, at the top
        { IMAGE_LEFT, "", 16, 8, 8 },     // centred both ways
        { IMAGE_LEFT, "Ab", 3, 8, 8 },    // at the inset, centred vertically
        { IMAGE_ABOVE, "Ab", 16, 3, 5 },  // centred across, top at the inset
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "placement " << (int)c.nPlacement << " caption '" << c.pszCaption << "'");
        m_button.m_nImagePlacement = c.nPlacement;
        m_button.SetWindowText(c.pszCaption);
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(8, 8, solid), NULL));
        DibSurface s(40, 24);
        m_button.DrawInto(s, 0);
        for (int y = c.top; y < c.top + c.rows; ++y) {
            for (int x = c.left; x < c.left + 8; ++x)
                ASSERT_EQ(solid(0, 0), s.At(x, y)) << "image pixel (" << x << "," << y << ")";
        }
        EXPECT_EQ(face, s.At(c.left - 1, c.top + 2));
        if (c.top > 0) {
            EXPECT_EQ(face, s.At(c.left + 4, c.top - 1));
        }
    }
}

TEST_F(ImageButtonPaint, RaisedStyleDrawsDefaultFrameEdgeAndFocusRectangle)
{
    m_button.m_bFlatLook = FALSE;
    m_button.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    m_button.MoveWindow(2, 2, 30, 20);
    const int w = 30, h = 20;
    DibSurface s(w, h);
    m_button.DrawInto(s, 0);
    EXPECT_EQ(kBlack, s.At(0, 0));
    EXPECT_EQ(kBlack, s.At(w - 1, h - 1));
    EXPECT_EQ(::GetSysColor(COLOR_BTNHIGHLIGHT), s.At(1, 1));
    EXPECT_EQ(::GetSysColor(COLOR_3DLIGHT), s.At(2, 2));
    EXPECT_EQ(::GetSysColor(COLOR_3DDKSHADOW), s.At(w - 2, h - 2));
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), s.At(w - 3, h - 3));
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(face, s.At(w / 2, h / 2));

    // Focused: a dotted rectangle 3 pixels inside the frame rectangle (itself inside the black frame).
    DibSurface focused(w, h);
    m_button.DrawInto(focused, ODS_FOCUS);
    int nOnFocusRect = 0, nInside = 0;
    for (int x = 4; x < w - 4; ++x)
        nOnFocusRect += focused.At(x, 4) != face;
    for (int y = 5; y < h - 5; ++y)
        for (int x = 5; x < w - 5; ++x)
            nInside += focused.At(x, y) != face;
    EXPECT_GT(nOnFocusRect, 0) << "no focus rectangle on row 4";
    EXPECT_EQ(0, nInside) << "pixels changed inside the focus rectangle";

    // Pressed and not flat: a shadow frame inside the black one.
    DibSurface pressed(w, h);
    m_button.DrawInto(pressed, ODS_SELECTED);
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), pressed.At(1, 1));
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), pressed.At(w - 2, h - 2));
}

TEST_F(ImageButtonPaint, FlatFocusedButtonDrawsNoFocusRectangle)
{
    DibSurface s(24, 24), focused(24, 24);
    m_button.DrawInto(s, 0);
    m_button.DrawInto(focused, ODS_FOCUS);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    ExpectPixels(focused, [&](int, int) { return face; });
    m_button.m_bFlatFocusRect = TRUE;
    m_button.DrawInto(focused, ODS_FOCUS);
    int nChanged = 0;
    for (int x = 3; x < 15; ++x)
        nChanged += focused.At(x, 3) != face;
    EXPECT_GT(nChanged, 0) << "flat focus rectangle asked for but not drawn";
}

TEST_F(ImageButtonPaint, DisabledImageIsUnchangedUnlessEmbossed)
{
    AssignBordered(BMP_DARKER);
    DibSurface normal(24, 24), disabled(24, 24), embossed(24, 24);
    m_button.DrawInto(normal, 0);
    m_button.DrawInto(disabled, ODS_DISABLED);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(normal.At(x, y), disabled.At(x, y)) << "pixel (" << x << "," << y << ")";

    m_button.m_bEmbossDisabled = TRUE;
    m_button.DrawInto(embossed, ODS_DISABLED);
    int nDiffer = 0;
    for (int y = 2; y < 16; ++y)
        for (int x = 2; x < 16; ++x)
            nDiffer += embossed.At(x, y) != normal.At(x, y);
    EXPECT_GT(nDiffer, 0) << "the embossed look drew the image unchanged";
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), embossed.At(0, 0)) << "the transparent border was painted over";
}

TEST_F(ImageButtonPaint, ToggleModeCheckedPaintsPressed)
{
    CTestButton toggle;
    ASSERT_TRUE(toggle.Create(NULL, WS_VISIBLE | BS_AUTOCHECKBOX, CRect(30, 2, 48, 20), &m_parent, 102));
    ASSERT_TRUE(toggle.IsToggleMode());
    ASSERT_EQ(IMGBTN_OK, toggle.AssignBitmaps(MakeScreenBitmap(18, 18, BorderedImage), BMP_DARKER));
    toggle.SendMessage(BM_SETCHECK, BST_CHECKED);
    DibSurface s(18, 18);
    toggle.DrawInto(s, 0);
    EXPECT_EQ(BorderedImage(8, 8), s.At(8, 8)) << "checked toggle shows the first image";
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), s.At(0, 0)) << "checked toggle has the sunken edge";
}
