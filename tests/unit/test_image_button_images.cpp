// The image button's images: derived copies, masks, who releases which handle, and the pixels a
// paint leaves in a 32-bit memory DC.
#include "../../controls/button/image_pixels.h"
#include "test_image_button_support.h"

using namespace imgbtn_test;

namespace
{
// 18 x 18: a 2-pixel white (transparent) border around colours, with (255,255,254) at (5,5),
// which is next to the key but opaque.
bool IsKey(int x, int y) { return x < 2 || y < 2 || x >= 16 || y >= 16; }
COLORREF Bordered(int x, int y)
{
    if (IsKey(x, y))
        return kWhite;
    return x == 5 && y == 5 ? RGB(255, 255, 254) : RGB(40 + x * 10, 200 - y * 10, y == 9 ? 0 : 100);
}
COLORREF Dark(int x, int y) { return (COLORREF)zelvix::DarkPixel(Bordered(x, y)); }
COLORREF Face(int, int) { return ::GetSysColor(COLOR_BTNFACE); }
COLORREF ParentPattern(int x, int y) { return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, 0x55); }
ColorFn Over(const ColorFn& back, const ColorFn& image)  // the image where it is opaque
{
    return [=](int x, int y) { return IsKey(x, y) ? back(x, y) : image(x, y); };
}
const RECT k18 = { 0, 0, 18, 18 };

class ImageButtonImages : public testing::Test
{
protected:
    CTestParent m_parent;
    CTestButton m_button;

    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateParent(200, 200, 200, 100));
        ASSERT_TRUE(m_button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered), BMP_DARKER));
    }
    void TearDown() override { m_parent.DestroyWindow(); }
    ::testing::AssertionResult Paints(UINT nState, const ColorFn& expected)
    {
        DibSurface s(18, 18);
        m_button.DrawInto(s, nState);
        return PixelsAre(s, k18, expected);
    }
};
} // namespace

TEST(ImageButtonDerivedImage, GreyAndDarkerCopiesFollowTheWorkedExamples)
{
    const struct { HBITMAP (*pfnMake)(HBITMAP, DWORD, DWORD); COLORREF in, out; } cases[] = {
        { CImageButton::MakeGrayBitmap, RGB(128, 128, 128), RGB(127, 127, 127) },
        { CImageButton::MakeGrayBitmap, RGB(255, 0, 0), RGB(76, 76, 76) },  // the channel order
        { CImageButton::MakeDarkBitmap, RGB(255, 255, 254), RGB(191, 191, 190) },
        { CImageButton::MakeDarkBitmap, kWhite, kWhite },
    };
    for (const auto& c : cases) {
        HBITMAP hSource = MakeScreenBitmap(3, 2, [&](int, int) { return c.in; }), hCopy = c.pfnMake(hSource, 3, 2);
        DibSurface copy(3, 2), source(3, 2);
        ASSERT_TRUE(copy.CopyFrom(hCopy) && source.CopyFrom(hSource));
        EXPECT_TRUE(PixelsAre(copy, { 0, 0, 3, 2 }, c.out)) << "from 0x" << std::hex << c.in;
        EXPECT_TRUE(PixelsAre(source, { 0, 0, 3, 2 }, c.in)) << "the source changed";
        ::DeleteObject(hCopy);
        ::DeleteObject(hSource);
    }
}

TEST_F(ImageButtonImages, MasksMarkExactlyTheKeyPixelsWhichTurnBlack)
{
    // A derived second image is keyed on white like the first, one passed in on black.
    auto blackKeyed = [](int x, int y) { return IsKey(x, y) ? kBlack : Bordered(x, y); };
    for (HBITMAP hSecond : { BMP_DARKER, MakeScreenBitmap(18, 18, blackKeyed) }) {
        ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(18, 18, Bordered), hSecond));
        for (int i : { 0, 1 }) {
            DibSurface image(18, 18), mask(18, 18);
            const CImageButton::BitmapSlot& slot = m_button.GetBitmapSlot(i);
            ASSERT_TRUE(image.CopyFrom(slot.hBitmap) && mask.CopyFrom(slot.hMask));
            EXPECT_TRUE(PixelsAre(mask, k18, [](int x, int y) { return IsKey(x, y) ? kWhite : kBlack; })) << i;
            EXPECT_TRUE(PixelsAre(image, k18, [&](int x, int y) {
                return IsKey(x, y) ? kBlack : i == 1 && hSecond == BMP_DARKER ? Dark(x, y) : Bordered(x, y);
            })) << "image " << i;
        }
    }
}

TEST_F(ImageButtonImages, EveryHandleGivenOrMadeIsReleasedByTheNextAssignOrByDestruction)
{
    HBITMAP hHeld = MakeScreenBitmap(4, 4, Bordered);  // held by another DC: no mask can be made
    HDC hHolder = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hHolder, hHeld);
    const struct { HGDIOBJ hFirst, hSecond; int nResult; } cases[] = {  // a brush has no bitmap header
        { ::CreateSolidBrush(0), MakeScreenBitmap(4, 4, Bordered), IMGBTN_BAD_BITMAP },
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
    EXPECT_TRUE(IsGone(hHeld));  // Wine keeps a deleted bitmap while a DC holds it

    CTestButton* pButton = new CTestButton;
    ASSERT_TRUE(pButton->Create(NULL, WS_VISIBLE, CRect(30, 2, 48, 20), &m_parent, 102));
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
    DibSurface parentPicture(200, 100);
    ASSERT_EQ(IMGBTN_OK, pButton->CopyParentBackground(CDC::FromHandle(parentPicture.hdc())));
    handles.insert(handles.end(), { pButton->m_bmpParentCopy.m_hObject, pButton->m_dcParentCopy.m_hDC });
    delete pButton;
    for (HGDIOBJ h : handles)
        EXPECT_TRUE(IsGone(h)) << "handle " << h << " after destruction";
}

TEST_F(ImageButtonImages, RestShowsTheDarkerImagePressedTheFirstInASunkenEdge)
{
    EXPECT_TRUE(Paints(0, Over(Face, Dark)));
    EXPECT_TRUE(Paints(ODS_SELECTED, [](int x, int y) {  // bottom and right with both far corners
        return x == 17 || y == 17 ? ::GetSysColor(COLOR_BTNHIGHLIGHT)
                                  : x == 0 || y == 0 ? ::GetSysColor(COLOR_BTNSHADOW) : Over(Face, Bordered)(x, y);
    }));
    m_button.ShowBorder(FALSE, FALSE);
    EXPECT_TRUE(Paints(ODS_SELECTED, Over(Face, Bordered))) << "border off: pressing changes only the image";

    // 20 x 20 in 18 x 18, every pixel different: drawn at (-1, -1), one pixel lost on each side.
    auto unique = [](int x, int y) { return RGB(x * 12, y * 12, 77); };
    ASSERT_EQ(IMGBTN_OK, m_button.AssignBitmaps(MakeScreenBitmap(20, 20, unique), NULL));
    EXPECT_TRUE(Paints(0, [&](int x, int y) { return unique(x + 1, y + 1); }));
}

TEST_F(ImageButtonImages, ParentBackgroundShowsTheParentsPixelsWhereTransparent)
{
    DibSurface parentPicture(200, 100, ParentPattern);
    CDC* pParentDC = CDC::FromHandle(parentPicture.hdc());
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(pParentDC)) << "not in parent-background mode";
    m_button.EnableParentBackground(FALSE);
    m_button.ShowBorder(FALSE, TRUE);
    EXPECT_EQ(IMGBTN_NO_PARENT_COPY, m_button.CopyParentBackground(NULL));
    ASSERT_EQ(IMGBTN_OK, m_button.CopyParentBackground(pParentDC));
    EXPECT_TRUE(Paints(ODS_SELECTED, Over([](int x, int y) { return ParentPattern(x + 2, y + 2); }, Bordered)));
}
