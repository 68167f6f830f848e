// Derived-image and mask pixel rules of the image button.
#include <gtest/gtest.h>

#include "controls/button/image_pixels.h"

namespace {

using zelvix::MakeColor;

TEST(DerivedPixels, GrayDarkAndMaskKeepWhiteAndDropTheHighByte)
{
    const struct { zelvix::Color in, gray, dark; } cases[] = {
        {MakeColor(128, 128, 128), MakeColor(127, 127, 127), MakeColor(96, 96, 96)},
        {MakeColor(254, 254, 254), MakeColor(253, 253, 253), MakeColor(190, 190, 190)},
        {MakeColor(100, 100, 100), MakeColor(100, 100, 100), MakeColor(75, 75, 75)},
        {MakeColor(1, 1, 1), 0, 0},
        {MakeColor(255, 0, 0), MakeColor(76, 76, 76), MakeColor(191, 0, 0)},
        {MakeColor(4, 255, 200), MakeColor(173, 173, 173), MakeColor(3, 191, 150)},
        {MakeColor(255, 255, 254), MakeColor(254, 254, 254), MakeColor(191, 191, 190)},  // not white
        {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF},
        {0xFF808080, MakeColor(127, 127, 127), MakeColor(96, 96, 96)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.gray, zelvix::GrayPixel(c.in)) << std::hex << "in 0x" << c.in;
        EXPECT_EQ(c.dark, zelvix::DarkPixel(c.in)) << std::hex << "in 0x" << c.in;
        EXPECT_EQ(c.in == 0x00FFFFFF, zelvix::IsKeyPixel(c.in, zelvix::kColorWhite)) << std::hex << "in 0x" << c.in;
    }
    EXPECT_EQ(0x12345678u, zelvix::ScaleDownColor(0x12345678, 1.5));  // no wrapped channels
    EXPECT_EQ(0u, zelvix::KeyedPixel(0, 0));  // an explicit second bitmap is keyed on black
    EXPECT_EQ(MakeColor(53, 160, 241), zelvix::KeyedPixel(MakeColor(53, 160, 241), zelvix::kColorWhite));
    EXPECT_EQ(0u, zelvix::KeyedPixel(0x00FFFFFF, zelvix::kColorWhite));
}

}  // namespace
