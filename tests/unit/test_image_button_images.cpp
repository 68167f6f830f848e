// The image button's images: the derived grey and darker copies, the transparency masks, and who
// releases which handle when.
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
std::vector<COLORREF> Row(std::initializer_list<COLORREF> colours) { return std::vector<COLORREF>(colours); }

// A one-row bitmap of the given colours and its transformed copy, compared pixel by pixel.
void ExpectTransform(HBITMAP (*pfnMake)(HBITMAP, DWORD, DWORD), const std::vector<COLORREF>& in,
                     const std::vector<COLORREF>& expected)
{
    const int n = (int)in.size();
    HBITMAP hSource = MakeScreenBitmap(n, 1, [&](int x, int) { return in[x]; });
    HBITMAP hCopy = pfnMake(hSource, (DWORD)n, 1);
    ASSERT_NE(hCopy, (HBITMAP)NULL);
    const std::vector<COLORREF> got = ReadBitmap(hCopy, n, 1);
    ASSERT_EQ(got.size(), expected.size());
    for (int x = 0; x < n; ++x) {
        EXPECT_EQ(expected[x], got[x]) << "pixel " << x << " from RGB(" << (int)GetRValue(in[x]) << ","
                                       << (int)GetGValue(in[x]) << "," << (int)GetBValue(in[x]) << ")";
    }
    // The source is only read.
    EXPECT_EQ(in, ReadBitmap(hSource, n, 1));
    ::DeleteObject(hCopy);
    ::DeleteObject(hSource);
}

// A 6 x 4 image on a white background: a few colours that test the key rule and the transforms.
COLORREF Sample(int x, int y)
{
    if (y == 0 || x == 0)
        return kWhite;
    static const COLORREF kColours[3][5] = {
        { RGB(255, 255, 254), RGB(200, 128, 4), kBlack, RGB(1, 1, 1), kWhite },
        { RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), kWhite, RGB(128, 128, 128) },
        { kWhite, RGB(10, 20, 30), RGB(254, 255, 255), RGB(255, 254, 255), kBlack },
    };
    return kColours[y - 1][x - 1];
}
} // namespace

TEST(ImageButtonDerivedImage, GreyCopyFollowsTheWorkedExamples)
{
    ExpectTransform(&CImageButton::MakeGrayBitmap,
                    Row({ RGB(128, 128, 128), RGB(254, 254, 254), RGB(1, 1, 1), RGB(100, 100, 100), RGB(255, 0, 0),
                          RGB(0, 255, 0), RGB(0, 0, 255), kWhite, RGB(255, 255, 254) }),
                    Row({ RGB(127, 127, 127), RGB(253, 253, 253), RGB(0, 0, 0), RGB(100, 100, 100), RGB(76, 76, 76),
                          RGB(149, 149, 149), RGB(29, 29, 29), kWhite, RGB(254, 254, 254) }));
}

TEST(ImageButtonDerivedImage, DarkerCopyIsThreeQuartersRoundedDownAndKeepsWhite)
{
    ExpectTransform(&CImageButton::MakeDarkBitmap,
                    Row({ RGB(255, 255, 254), RGB(200, 128, 4), RGB(1, 1, 1), RGB(255, 0, 0), kWhite, kBlack,
                          RGB(254, 255, 255) }),
                    Row({ RGB(191, 191, 190), RGB(150, 96, 3), RGB(0, 0, 0), RGB(191, 0, 0), kWhite, kBlack,
                          RGB(190, 191, 191) }));
}

TEST(ImageButtonMasks, DarkerRequestMasksExactlyTheWhitePixelsOfBothImages)
{
    const int cx = 6, cy = 4;
    HBITMAP hFirst = MakeScreenBitmap(cx, cy, Sample);
    CTestButton button;
    ASSERT_EQ(IMGBTN_OK, button.AssignBitmaps(hFirst, BMP_DARKER));

    const CImageButton::BitmapSlot& s0 = button.GetBitmapSlot(0);
    const CImageButton::BitmapSlot& s1 = button.GetBitmapSlot(1);
    EXPECT_EQ(hFirst, s0.hBitmap);
    ASSERT_NE((HBITMAP)NULL, s1.hBitmap);
    EXPECT_EQ((DWORD)cx, s0.cx);
    EXPECT_EQ((DWORD)cy, s0.cy);
    EXPECT_EQ((DWORD)cx, s1.cx);
    EXPECT_EQ((DWORD)cy, s1.cy);
    EXPECT_EQ(kWhite, s0.crKey);
    EXPECT_EQ(kWhite, s1.crKey);

    const std::vector<COLORREF> first = ReadBitmap(s0.hBitmap, cx, cy);
    const std::vector<COLORREF> second = ReadBitmap(s1.hBitmap, cx, cy);
    const std::vector<COLORREF> mask0 = ReadBitmap(s0.hMask, cx, cy);
    const std::vector<COLORREF> mask1 = ReadBitmap(s1.hMask, cx, cy);
    ASSERT_EQ((size_t)(cx * cy), first.size());
    ASSERT_EQ(first.size(), second.size());
    ASSERT_EQ(first.size(), mask0.size());
    ASSERT_EQ(first.size(), mask1.size());
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            SCOPED_TRACE(testing::Message() << "pixel (" << x << "," << y << ")");
            const size_t i = (size_t)(y * cx + x);
            const COLORREF src = Sample(x, y);
            const bool bKey = src == kWhite;
            EXPECT_EQ(bKey ? kWhite : kBlack, mask0[i]);
            EXPECT_EQ(bKey ? kWhite : kBlack, mask1[i]);
            // Key pixels are black in both images now; the others keep (or darken) their colour.
            EXPECT_EQ(bKey ? kBlack : src, first[i]);
            EXPECT_EQ(bKey ? kBlack : (COLORREF)zelvix::DarkPixel(src), second[i]);
        }
    }
}

TEST(ImageButtonMasks, ExplicitSecondBitmapIsKeyedOnBlack)
{
    HBITMAP hFirst = MakeScreenBitmap(6, 4, Sample);
    HBITMAP hSecond = MakeScreenBitmap(6, 4, Sample);
    CTestButton button;
    ASSERT_EQ(IMGBTN_OK, button.AssignBitmaps(hFirst, hSecond));
    const CImageButton::BitmapSlot& s1 = button.GetBitmapSlot(1);
    EXPECT_EQ(hSecond, s1.hBitmap);
    EXPECT_EQ(kBlack, s1.crKey);
    const std::vector<COLORREF> mask1 = ReadBitmap(s1.hMask, 6, 4);
    const std::vector<COLORREF> second = ReadBitmap(hSecond, 6, 4);
    ASSERT_EQ(24u, mask1.size());
    ASSERT_EQ(24u, second.size());
    for (int i = 0; i < 24; ++i) {
        const COLORREF src = Sample(i % 6, i / 6);
        EXPECT_EQ(src == kBlack ? kWhite : kBlack, mask1[i]) << "pixel " << i;
        EXPECT_EQ(src, second[i]) << "pixel " << i;  // black key pixels are black already
    }
}

TEST(ImageButtonMasks, AllWhiteBitmapGivesAllWhiteCopyAndFullMasks)
{
    HBITMAP hFirst = MakeScreenBitmap(5, 3, [](int, int) { return kWhite; });
    HBITMAP hCopy = CImageButton::MakeDarkBitmap(hFirst, 5, 3);
    EXPECT_EQ(std::vector<COLORREF>(15, kWhite), ReadBitmap(hCopy, 5, 3));
    ::DeleteObject(hCopy);

    CTestButton button;
    ASSERT_EQ(IMGBTN_OK, button.AssignBitmaps(hFirst, BMP_GRAY));
    EXPECT_EQ(std::vector<COLORREF>(15, kWhite), ReadBitmap(button.GetBitmapSlot(0).hMask, 5, 3));
    EXPECT_EQ(std::vector<COLORREF>(15, kWhite), ReadBitmap(button.GetBitmapSlot(1).hMask, 5, 3));
}

TEST(ImageButtonOwnership, NullFirstClearsEverythingWhateverTheSecond)
{
    CTestButton button;
    HBITMAP hFirst = MakeScreenBitmap(4, 4, Sample);
    ASSERT_EQ(IMGBTN_OK, button.AssignBitmaps(hFirst, BMP_DARKER));
    const CImageButton::BitmapSlot old0 = button.GetBitmapSlot(0);
    const CImageButton::BitmapSlot old1 = button.GetBitmapSlot(1);

    // A handed-over second bitmap has no slot without a first one; the button still owns it.
    HBITMAP hOrphan = MakeScreenBitmap(4, 4, Sample);
    EXPECT_EQ(IMGBTN_OK, button.AssignBitmaps(NULL, hOrphan));
    EXPECT_TRUE(IsGone(hOrphan));
    for (HGDIOBJ h : { (HGDIOBJ)old0.hBitmap, (HGDIOBJ)old0.hMask, (HGDIOBJ)old1.hBitmap, (HGDIOBJ)old1.hMask })
        EXPECT_TRUE(IsGone(h)) << "handle " << h << " of the earlier call";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(NULL, button.GetBitmapSlot(i).hBitmap);
        EXPECT_EQ(NULL, button.GetBitmapSlot(i).hMask);
    }
    EXPECT_EQ(IMGBTN_OK, button.AssignBitmaps(NULL, BMP_DARKER));
}

TEST(ImageButtonOwnership, SecondAssignAndDestructionReleaseEveryHandle)
{
    CTestParent parent;
    ASSERT_TRUE(parent.CreateParent(50, 50, 120, 60));
    CTestButton* pButton = new CTestButton;
    ASSERT_TRUE(pButton->Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &parent, 101));

    HBITMAP hFirst = MakeScreenBitmap(6, 4, Sample);
    HBITMAP hSecond = MakeScreenBitmap(6, 4, Sample);
    ASSERT_EQ(IMGBTN_OK, pButton->AssignBitmaps(hFirst, hSecond));
    const std::vector<HGDIOBJ> firstCall = { hFirst, pButton->GetBitmapSlot(0).hMask, hSecond,
                                             pButton->GetBitmapSlot(1).hMask };

    ASSERT_EQ(IMGBTN_OK, pButton->AssignBitmaps(MakeScreenBitmap(6, 4, Sample), BMP_DARKER));
    for (HGDIOBJ h : firstCall)
        EXPECT_TRUE(IsGone(h)) << "handle " << h << " of the first call";
    const std::vector<HGDIOBJ> secondCall = { pButton->GetBitmapSlot(0).hBitmap, pButton->GetBitmapSlot(0).hMask,
                                              pButton->GetBitmapSlot(1).hBitmap, pButton->GetBitmapSlot(1).hMask };

    // A parent copy is released with the button too.
    pButton->EnableParentBackground(FALSE);
    DibSurface parentPicture(120, 60, RGB(1, 2, 3));
    ASSERT_EQ(IMGBTN_OK, pButton->CopyParentBackground(CDC::FromHandle(parentPicture.hdc())));
    const HGDIOBJ hCopyBitmap = pButton->m_bmpParentCopy.m_hObject;
    const HGDIOBJ hCopyDC = pButton->m_dcParentCopy.m_hDC;
    ASSERT_NE((HGDIOBJ)NULL, hCopyBitmap);
    ASSERT_NE((HGDIOBJ)NULL, hCopyDC);

    delete pButton;
    for (HGDIOBJ h : secondCall)
        EXPECT_TRUE(IsGone(h)) << "image handle " << h << " after destruction";
    EXPECT_TRUE(IsGone(hCopyBitmap));
    EXPECT_TRUE(IsGone(hCopyDC));
    parent.DestroyWindow();
}

TEST(ImageButtonOwnership, FailedHeaderReleasesBothBitmapsPassedIn)
{
    CTestButton button;
    // Not a bitmap at all: the header cannot be read as one.
    HGDIOBJ hBrush = ::CreateSolidBrush(RGB(1, 2, 3));
    HBITMAP hSecond = MakeScreenBitmap(4, 4, Sample);
    EXPECT_EQ(IMGBTN_BAD_BITMAP, button.AssignBitmaps((HBITMAP)hBrush, hSecond));
    EXPECT_TRUE(IsGone(hBrush));
    EXPECT_TRUE(IsGone(hSecond));
    EXPECT_EQ(NULL, button.GetBitmapSlot(0).hBitmap);
    EXPECT_EQ(NULL, button.GetBitmapSlot(1).hBitmap);

    // A second bitmap that is no bitmap fails after the first one was masked: all goes.
    HBITMAP hFirst = MakeScreenBitmap(4, 4, Sample);
    HGDIOBJ hPen = ::CreatePen(PS_SOLID, 0, RGB(4, 5, 6));
    EXPECT_EQ(IMGBTN_BAD_BITMAP, button.AssignBitmaps(hFirst, (HBITMAP)hPen));
    EXPECT_TRUE(IsGone(hFirst));
    EXPECT_TRUE(IsGone(hPen));
    EXPECT_EQ(NULL, button.GetBitmapSlot(0).hMask);
}

TEST(ImageButtonOwnership, FailedMaskReleasesBothBitmapsPassedIn)
{
    CTestButton button;
    // A bitmap held by another DC cannot be selected for the mask step.
    HBITMAP hFirst = MakeScreenBitmap(4, 4, Sample);
    HBITMAP hSecond = MakeScreenBitmap(4, 4, Sample);
    HDC hHolder = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hHolder, hFirst);
    ASSERT_NE((HGDIOBJ)NULL, hOld);
    EXPECT_EQ(IMGBTN_MASK_FAILED, button.AssignBitmaps(hFirst, hSecond));
    EXPECT_TRUE(IsGone(hSecond));
    EXPECT_EQ(NULL, button.GetBitmapSlot(0).hBitmap);
    EXPECT_EQ(NULL, button.GetBitmapSlot(1).hBitmap);
    // Wine keeps a deleted bitmap alive while a DC still holds it; it goes with the DC.
    ::SelectObject(hHolder, hOld);
    ::DeleteDC(hHolder);
    EXPECT_TRUE(IsGone(hFirst));
}
