// Lightening of menu colours toward white.
#include <gtest/gtest.h>

#include <limits>

#include "menu_color.h"

TEST(LightenColor, FactorsRoundingAndHighByte)
{
    const struct { double factor; zelvix::Color in, out; } cases[] = {
        {0.7, 0x00C56A31, 0x00EDD2C1},     // 193.2, 210.3, 237.6 truncated
        {0.6, 0x00F0F0F0, 0x00F9F9F9},     // 249 in doubles; x87 precision would give 248
        {0.85, 0x00000000, 0x00D8D8D8},    // 216.75
        {1.0, 0xAB123456, 0x00FFFFFF},
        {1e-300, 0xAB123456, 0x00123456},  // in range: high byte cleared
        {0.0, 0xAB123456, 0xAB123456},     // out of range: untouched, high byte included
        {1.5, 0xAB123456, 0xAB123456},
        {std::numeric_limits<double>::quiet_NaN(), 0xAB123456, 0xAB123456},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, zelvix::LightenColor(c.factor, c.in)) << std::hex << "factor " << c.factor << " colour 0x" << c.in;
}
