// Image placement and caption geometry of the image button's paint.
#include <gtest/gtest.h>

#include "image_layout.h"

namespace zelvix {
void PrintTo(const Rect& r, std::ostream* os) { *os << '(' << r.left << ',' << r.top << ")-(" << r.right << ',' << r.bottom << ')'; }
}  // namespace zelvix

namespace {

using zelvix::Rect;

TEST(PlaceImage, EveryPlacementWithAndWithoutCaption)
{
    const Rect item{0, 0, 100, 40}, button{0, 0, 18, 18};
    const struct { int placement; bool caption; std::uint32_t cx, cy; Rect item, image, captionAfter; } cases[] = {
        {zelvix::IMAGE_LEFT, false, 20, 10, item, {40, 15, 100, 40}, item},
        {zelvix::IMAGE_LEFT, true, 20, 10, item, {3, 15, 100, 40}, {23, 0, 100, 40}},
        {zelvix::IMAGE_ABOVE, false, 20, 10, item, {40, 15, 100, 40}, item},
        {zelvix::IMAGE_ABOVE, true, 20, 10, item, {40, 5, 100, 40}, {0, 10, 100, 40}},  // top is the inset itself
        {zelvix::IMAGE_RIGHT, false, 20, 10, item, {40, 0, 100, 40}, item},             // top stays the item's
        {zelvix::IMAGE_RIGHT, true, 20, 10, item, {77, 15, 100, 40}, {3, 0, 77, 40}},
        {zelvix::IMAGE_RIGHT, true, 20, 10, {10, 0, 110, 40}, {87, 15, 110, 40}, {3, 0, 77, 40}},  // inset is absolute
        {7, true, 20, 10, item, item, item},
        {zelvix::IMAGE_LEFT, false, 20, 20, button, {-1, -1, 18, 18}, button},  // 2 larger: -1
        {zelvix::IMAGE_LEFT, false, 21, 21, button, {-1, -1, 18, 18}, button},  // 3 larger: still -1
        {zelvix::IMAGE_RIGHT, true, 0xFFFFFFFF, 1, button, {INT32_MIN, 8, 18, 18}, {3, 0, INT32_MIN, 18}},
    };
    for (const auto& c : cases) {
        Rect caption = c.item;
        EXPECT_EQ(c.image, zelvix::PlaceImage(c.caption, c.cx, c.cy, c.item, caption, c.placement, 3, 5))
            << "placement " << c.placement << " caption " << c.caption << " size " << c.cx;
        EXPECT_EQ(c.captionAfter, caption) << "placement " << c.placement << " caption " << c.caption << " size " << c.cx;
    }
}

TEST(CaptionGeometry, PressShiftAndCentring)
{
    const Rect r{10, 20, 110, 60};
    EXPECT_EQ((Rect{11, 21, 111, 61}), zelvix::ShiftPressedCaption(r, true, false, 1, 1));
    EXPECT_EQ(r, zelvix::ShiftPressedCaption(r, true, true, 1, 1));  // a checked toggle never moves its caption
    EXPECT_EQ((Rect{43, 33, 76, 46}), zelvix::CentreMeasuredCaption(r, Rect{10, 20, 43, 33}));
    EXPECT_EQ((Rect{-1, 19, 121, 61}), zelvix::CentreMeasuredCaption(r, Rect{10, 20, 132, 62}));  // wider: truncation
    EXPECT_TRUE(zelvix::ImageSlotToDraw(false, true) == 1 && zelvix::ImageSlotToDraw(true, true) == 0 &&
                zelvix::ImageSlotToDraw(false, false) == 0);
}

}  // namespace
