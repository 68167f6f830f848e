// The image button's images and painting: derived copies, masks, who releases which handle, and
// the pixels a paint leaves in a 32-bit memory DC or on a real window.
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
// 18 x 18: a 2-pixel white (transparent) border around coloured pixels, including colours next to
// the key: (255,255,254) and (254,255,255) are opaque.
COLORREF Bordered(int x, int y)
{
    if (x < 2 || y < 2 || x >= 16 || y >= 16)
        return kWhite;
    if (x == 5 && y == 5)
        return RGB(255, 255, 254);
    if (x == 6 && y == 5)
        return RGB(254, 255, 255);
    return RGB(40 + x * 10, 200 - y * 10, y == 9 ? 0 : 100);
}
COLORREF Dark(COLORREF c) { return (COLORREF)zelvix::DarkPixel(c); }
COLORREF ParentPattern(int x, int y) { return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, 0x55); }

// Compares the surface's w x h area with expected(x, y), reporting the first few differences.
void ExpectPixels(const DibSurface& s, int w, int h, const ColorFn& expected)
{
    int nBad = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (s.At(x, y) != expected(x, y) && ++nBad <= 6)
                ADD_FAILURE() << "pixel (" << x << "," << y << "): expected 0x" << std::hex << expected(x, y)
                              << ", got 0x" << s.At(x, y);
        }
    }
    EXPECT_EQ(0, nBad) << "pixels differ";
}

class ImageButtonImages : public testing::Test
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
    }
};
} // namespace

TEST(ImageButtonDerivedImage, GreyAndDarkerCopiesFollowTheWorkedExamples)
{
    const struct
    {
        HBITMAP (*pfnMake)(HBITMAP, DWORD, DWORD);
        COLORREF in, out;
    } cases[] = {
        { CImageButton::MakeGrayBitmap, RGB(128, 128, 128), RGB(127, 127, 127) },
        { CImageButton::MakeGrayBitmap, RGB(254, 254, 254), RGB(253, 253, 253) },
        { CImageButton::MakeGrayBitmap, RGB(100, 100, 100), RGB(100, 100, 100) },
        { CImageButton::MakeGrayBitmap, RGB(255, 0, 0), RGB(76, 76, 76) },
        { CImageButton::MakeGrayBitmap, RGB(0, 255, 0), RGB(149, 149, 149) },
        { CImageButton::MakeGrayBitmap, RGB(0, 0, 255), RGB(29, 29, 29) },
        { CImageButton::MakeGrayBitmap, kWhite, kWhite },
        { CImageButton::MakeDarkBitmap, RGB(255, 255, 254), RGB(191, 191, 190) },
        { CImageButton::MakeDarkBitmap, RGB(200, 128, 4), RGB(150, 96, 3) },
        { CImageButton::MakeDarkBitmap, RGB(1, 255, 0), RGB(0, 191, 0) },
        { CImageButton::MakeDarkBitmap, kWhite, kWhite },
    };
    for (const auto& c : cases) {
        HBITMAP hSource = MakeScreenBitmap(3, 2, [&](int, int) { return c.in; });
        HBITMAP hCopy = c.pfnMake(hSource, 3, 2);
        EXPECT_EQ(std::vector<COLORREF>(6, c.out), ReadBitmap(hCopy, 3, 2)) << "from 0x" << std::hex << c.in;
        EXPECT_EQ(std::vector<COLORREF>(6, c.in), ReadBitmap(hSource, 3, 2)) << "the source changed";
        ::DeleteObject(hCopy);
        ::DeleteObject(hSource);
    }
}

TEST_F(ImageButtonImages, MasksMarkExactlyTheKeyPixelsWhichTurnBlack)
{
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered), BMP_DARKER));
    const CImageButton::BitmapSlot s0 = m_button.GetBitmapSlot(0), s1 = m_button.GetBitmapSlot(1);
    ASSERT_EQ(18u, s1.cx);
    const std::vector<COLORREF> first = ReadBitmap(s0.hBitmap, 18, 18), second = ReadBitmap(s1.hBitmap, 18, 18);
    const std::vector<COLORREF> mask0 = ReadBitmap(s0.hMask, 18, 18), mask1 = ReadBitmap(s1.hMask, 18, 18);
    ASSERT_TRUE(first.size() == 324 && second.size() == 324 && mask0.size() == 324 && mask1.size() == 324);
    for (int i = 0; i < 324; ++i) {
        const COLORREF src = Bordered(i % 18, i / 18);
        const bool bKey = src == kWhite;
        ASSERT_EQ(bKey ? kWhite : kBlack, mask0[i]) << "mask 0, pixel " << i;
        ASSERT_EQ(bKey ? kWhite : kBlack, mask1[i]) << "mask 1, pixel " << i;
        ASSERT_EQ(bKey ? kBlack : src, first[i]) << "first image, pixel " << i;
        ASSERT_EQ(bKey ? kBlack : Dark(src), second[i]) << "darker image, pixel " << i;
    }

    // A bitmap passed as the second image is keyed on black instead.
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered),
                                                MakeScreenBitmap(18, 18, Bordered)));
    const std::vector<COLORREF> mask = ReadBitmap(m_button.GetBitmapSlot(1).hMask, 18, 18);
    ASSERT_EQ(324u, mask.size());
    for (int i = 0; i < 324; ++i)
        ASSERT_EQ(Bordered(i % 18, i / 18) == kBlack ? kWhite : kBlack, mask[i]) << "pixel " << i;
}

TEST_F(ImageButtonImages, ReplacingAndDestroyingReleaseEveryHandle)
{
    CTestButton* pButton = new CTestButton;
    ASSERT_TRUE(pButton->Create(NULL, WS_VISIBLE, CRect(30, 2, 48, 20), &m_parent, 102));
    HBITMAP hFirst = MakeScreenBitmap(6, 4, Bordered), hSecond = MakeScreenBitmap(6, 4, Bordered);
    ASSERT_EQ(IMGBTN_OK, pButton->AssignBitmaps(hFirst, hSecond));
    std::vector<HGDIOBJ> handles = { hFirst, pButton->GetBitmapSlot(0).hMask, hSecond,
                                     pButton->GetBitmapSlot(1).hMask };
    ASSERT_EQ(IMGBTN_OK, pButton->AssignBitmaps(MakeScreenBitmap(6, 4, Bordered), BMP_DARKER));
    for (HGDIOBJ h : handles)
        EXPECT_TRUE(IsGone(h)) << "handle " << h << " of the first call";

    handles = { pButton->GetBitmapSlot(0).hBitmap, pButton->GetBitmapSlot(0).hMask,
                pButton->GetBitmapSlot(1).hBitmap, pButton->GetBitmapSlot(1).hMask };
    pButton->EnableParentBackground(FALSE);
    DibSurface parentPicture(200, 100);
    ASSERT_EQ(IMGBTN_OK, pButton->CopyParentBackground(parentPicture.dc()));
    handles.push_back(pButton->m_bmpParentCopy.m_hObject);
    handles.push_back(pButton->m_dcParentCopy.m_hDC);
    delete pButton;
    for (HGDIOBJ h : handles)
        EXPECT_TRUE(IsGone(h)) << "handle " << h << " after destruction";
}

TEST_F(ImageButtonImages, FailedAssignReleasesEveryBitmapPassedIn)
{
    // The first "bitmap" has no bitmap header.
    HGDIOBJ hBrush = ::CreateSolidBrush(RGB(1, 2, 3));
    HBITMAP hSecond = MakeScreenBitmap(4, 4, Bordered);
    EXPECT_EQ(IMGBTN_BAD_BITMAP, m_button.AssignBitmaps((HBITMAP)hBrush, hSecond));
    EXPECT_TRUE(IsGone(hBrush));
    EXPECT_TRUE(IsGone(hSecond));

    // The first bitmap is held by another DC, so its mask cannot be made.
    HBITMAP hFirst = MakeScreenBitmap(4, 4, Bordered);
    hSecond = MakeScreenBitmap(4, 4, Bordered);
    HDC hHolder = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hHolder, hFirst);
    EXPECT_EQ(IMGBTN_MASK_FAILED, m_button.AssignBitmaps(hFirst, hSecond));
    EXPECT_TRUE(IsGone(hSecond));
    ::SelectObject(hHolder, hOld);
    ::DeleteDC(hHolder);
    EXPECT_TRUE(IsGone(hFirst));  // Wine keeps a deleted bitmap while a DC holds it
    EXPECT_EQ(NULL, m_button.GetBitmapSlot(0).hBitmap);
    EXPECT_EQ(NULL, m_button.GetBitmapSlot(1).hBitmap);

    // No first bitmap: no images, and a second one handed over is released too.
    hSecond = MakeScreenBitmap(4, 4, Bordered);
    EXPECT_EQ(IMGBTN_OK, m_button.AssignBitmaps(NULL, hSecond));
    EXPECT_TRUE(IsGone(hSecond));
}

TEST_F(ImageButtonImages, RestShowsDarkerImagePressedShowsFirstWithSunkenEdge)
{
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered), BMP_DARKER));
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    DibSurface rest(24, 24), pressed(24, 24);
    m_button.DrawInto(rest, 0);
    m_button.DrawInto(pressed, ODS_SELECTED);
    ExpectPixels(rest, 24, 24, [&](int x, int y) {
        if (x >= 18 || y >= 18)
            return kSentinel;
        return Bordered(x, y) == kWhite ? face : Dark(Bordered(x, y));
    });
    ExpectPixels(pressed, 24, 24, [&](int x, int y) {
        if (x >= 18 || y >= 18)
            return kSentinel;
        if (x == 17 || y == 17)  // bottom and right, with both far corners
            return ::GetSysColor(COLOR_BTNHIGHLIGHT);
        if (x == 0 || y == 0)
            return ::GetSysColor(COLOR_BTNSHADOW);
        return Bordered(x, y) == kWhite ? face : Bordered(x, y);
    });

    // Border off: pressing changes only the image.
    m_button.ShowBorder(FALSE, FALSE);
    DibSurface noBorder(18, 18);
    m_button.DrawInto(noBorder, ODS_SELECTED);
    ExpectPixels(noBorder, 18, 18, [&](int x, int y) { return Bordered(x, y) == kWhite ? face : Bordered(x, y); });
}

TEST_F(ImageButtonImages, ParentBackgroundShowsTheCopiedParentPixels)
{
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered), BMP_DARKER));
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(NULL));
    DibSurface parentPicture(200, 100, ParentPattern);
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(parentPicture.dc()));
    m_button.EnableParentBackground(FALSE);
    m_button.ShowBorder(FALSE, TRUE);
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(NULL));
    ASSERT_EQ(IMGBTN_OK, m_button.CopyParentBackground(parentPicture.dc()));

    DibSurface s(18, 18);
    m_button.DrawInto(s, ODS_SELECTED);
    ExpectPixels(s, 18, 18, [](int x, int y) {
        return Bordered(x, y) == kWhite ? ParentPattern(x + 2, y + 2) : Bordered(x, y);  // button at (2, 2)
    });

    // Without a copy, the first paint takes one from the parent window: through a real paint.
    m_parent.m_paint = ParentPattern;
    m_button.EnableParentBackground(FALSE);
    m_button.m_drawPressed.clear();
    ::RedrawWindow(m_parent.m_hWnd, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_FALSE(m_button.m_drawPressed.empty()) << "the parent's WM_DRAWITEM did not reach the button";
    DibSurface screen(18, 18);
    HDC hButtonDC = ::GetDC(m_button.m_hWnd);
    ::BitBlt(screen.hdc(), 0, 0, 18, 18, hButtonDC, 0, 0, SRCCOPY);
    ::ReleaseDC(m_button.m_hWnd, hButtonDC);
    ExpectPixels(screen, 18, 18, [](int x, int y) {
        return Bordered(x, y) == kWhite ? ParentPattern(x + 2, y + 2) : Dark(Bordered(x, y));
    });
}

TEST_F(ImageButtonImages, ImagePlacementInTheDrawing)
{
    // 20 x 20 in 18 x 18, every pixel different: drawn at (-1, -1), one pixel lost on each side.
    auto unique = [](int x, int y) { return RGB(x * 12, y * 12, 77); };
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(20, 20, unique), NULL));
    DibSurface s(18, 18);
    m_button.DrawInto(s, ODS_SELECTED);
    ExpectPixels(s, 18, 18, [&](int x, int y) { return unique(x + 1, y + 1); });

    // A 40 x 24 button with an 8 x 8 image; with a caption the text may cover rows from the
    // caption rectangle's top (row 8 for the image above it).
    m_button.MoveWindow(2, 2, 40, 24);
    const COLORREF blue = RGB(10, 100, 200), face = ::GetSysColor(COLOR_BTNFACE);
    const struct
    {
        BYTE nPlacement;
        const char* pszCaption;
        int left, top, rows;
    } cases[] = { { IMAGE_RIGHT, "", 16, 0, 8 }, { IMAGE_LEFT, "Ab", 3, 8, 8 }, { IMAGE_ABOVE, "Ab", 16, 3, 5 } };
    for (const auto& c : cases) {
        m_button.m_nImagePlacement = c.nPlacement;
        m_button.SetWindowText(c.pszCaption);
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(8, 8, [&](int, int) { return blue; }), NULL));
        DibSurface d(40, 24);
        m_button.DrawInto(d, 0);
        SCOPED_TRACE(testing::Message() << "placement " << (int)c.nPlacement);
        for (int i = 0; i < 8 * c.rows; ++i)
            ASSERT_EQ(blue, d.At(c.left + i % 8, c.top + i / 8)) << "image pixel " << i;
        EXPECT_EQ(face, d.At(c.left - 1, c.top + 2));
        EXPECT_EQ(c.top > 0 ? face : blue, d.At(c.left + 4, c.top > 0 ? c.top - 1 : 0));
    }
}
