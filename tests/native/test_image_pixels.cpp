// Derived-image and mask pixel rules of the image button.
#include <gtest/gtest.h>

#include <limits>

#include "image_pixels.h"

namespace {

using zelvix::Color;
using zelvix::MakeColor;

TEST(GrayPixel, MatchesIeeeDoubleForEveryColour)
{
    // The integer emulation must give what the double expression gives with strict double
    // rounding, which is what this 64-bit SSE build computes.
    long mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                volatile double sum = g * 0.587 + r * 0.299;
                const int expected = static_cast<int>(sum + b * 0.114);
                if (zelvix::GrayLevel(r, g, b) != expected && ++mismatches < 5)
                    ADD_FAILURE() << "rgb " << r << "," << g << "," << b << ": expected " << expected;
            }
    EXPECT_EQ(0, mismatches);
}

TEST(GrayPixel, KnownValuesWhiteAndHighByte)
{
    const struct { Color in; Color out; } cases[] = {
        {MakeColor(128, 128, 128), MakeColor(127, 127, 127)}, {MakeColor(254, 254, 254), MakeColor(253, 253, 253)},
        {MakeColor(1, 1, 1), MakeColor(0, 0, 0)},             {MakeColor(100, 100, 100), MakeColor(100, 100, 100)},
        {MakeColor(255, 0, 0), MakeColor(76, 76, 76)},        {MakeColor(0, 255, 0), MakeColor(149, 149, 149)},
        {MakeColor(0, 0, 255), MakeColor(29, 29, 29)},        {0x00FFFFFF, 0x00FFFFFF},
        {0xFF808080, MakeColor(127, 127, 127)},               {0xFFFFFFFF, 0x00FFFFFF},
        {MakeColor(255, 255, 254), MakeColor(254, 254, 254)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, zelvix::GrayPixel(c.in)) << std::hex << "in 0x" << c.in;
}

TEST(DarkPixel, ThreeQuartersRoundedDownPerChannel)
{
    for (Color v = 0; v <= 255; ++v)
        for (int shift : {0, 8, 16}) {
            const Color out = zelvix::DarkPixel(v << shift);
            ASSERT_EQ(v * 3 / 4, (out >> shift) & 0xFF) << "channel value " << v << " at shift " << shift;
        }
    const struct { Color in; Color out; } cases[] = {
        {MakeColor(255, 255, 254), MakeColor(191, 191, 190)}, {MakeColor(200, 128, 4), MakeColor(150, 96, 3)},
        {MakeColor(1, 0, 0), 0}, {0x00FFFFFF, 0x00FFFFFF}, {0xAB00FF00, MakeColor(0, 191, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, zelvix::DarkPixel(c.in)) << std::hex << "in 0x" << c.in;
}

TEST(ScaleDownColor, FactorsOutsideUnitRangeLeaveColour)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double f : {-0.25, 1.25, nan})
        EXPECT_EQ(0x12345678u, zelvix::ScaleDownColor(0x12345678, f)) << "factor " << f;
    EXPECT_EQ(0u, zelvix::ScaleDownColor(0x12FFFFFF, 1.0));
    EXPECT_EQ(0x00FFFFFFu, zelvix::ScaleDownColor(0x12FFFFFF, 0.0));
}

TEST(MaskPixels, KeyPixelsAreTransparentAndTurnBlack)
{
    const Color white = zelvix::kColorWhite;
    const struct { Color pixel; Color key; bool masked; Color after; } cases[] = {
        {white, white, true, 0},
        {MakeColor(255, 255, 254), white, false, MakeColor(255, 255, 254)},
        {MakeColor(0, 0, 0), 0, true, 0},
        {MakeColor(1, 0, 0), 0, false, MakeColor(1, 0, 0)},
        {MakeColor(53, 160, 241), white, false, MakeColor(53, 160, 241)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.masked, zelvix::IsKeyPixel(c.pixel, c.key)) << std::hex << c.pixel << " key " << c.key;
        EXPECT_EQ(c.after, zelvix::KeyedPixel(c.pixel, c.key)) << std::hex << c.pixel << " key " << c.key;
    }
}

}  // namespace
