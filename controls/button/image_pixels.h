// image_pixels.h - per-pixel rules behind the image button's derived images and transparency masks.
//
//   Color, MakeColor, ColorRed/Green/Blue   0x00BBGGRR colour value, as GetPixel returns it
//   GrayLevel, GrayPixel                    the grey second image (BMP_GRAY)
//   ScaleDownColor, DarkPixel               the darker second image (BMP_DARKER)
//   IsKeyPixel, KeyedPixel                  the mask bit and the source pixel after masking
//
// Platform-free and header-only: the bitmap code reads a pixel, passes it through one of these and
// writes the result back, and the rules themselves are tested natively.
#ifndef ZELVIX_IMAGE_PIXELS_H
#define ZELVIX_IMAGE_PIXELS_H

#include <cstdint>

namespace zelvix {

using Color = std::uint32_t;  // laid out like COLORREF: 0x00BBGGRR

constexpr Color kColorWhite = 0x00FFFFFF;
constexpr Color kColorBlack = 0x00000000;

// Same packing as the RGB() macro, for code that must not include the platform headers.
constexpr Color MakeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept
{
    return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}

constexpr std::uint8_t ColorRed(Color c) noexcept { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t ColorGreen(Color c) noexcept { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t ColorBlue(Color c) noexcept { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

namespace detail {

// The grey weights are doubles; everything below works on them scaled by 2^56, where every value
// that occurs (products and sums below 256) is an exact integer that fits 64 bits.
constexpr int kGrayScaleBits = 56;
constexpr std::uint64_t kGrayWeightG = static_cast<std::uint64_t>(0.587 * 72057594037927936.0);
constexpr std::uint64_t kGrayWeightR = static_cast<std::uint64_t>(0.299 * 72057594037927936.0);
constexpr std::uint64_t kGrayWeightB = static_cast<std::uint64_t>(0.114 * 72057594037927936.0);

// Rounds a scaled value to the 53 significant bits of a double, ties to even, as one IEEE operation does.
constexpr std::uint64_t RoundToDouble(std::uint64_t x) noexcept
{
    int bits = 0;
    for (std::uint64_t t = x; t != 0; t >>= 1)
        ++bits;
    if (bits <= 53)
        return x;
    const int drop = bits - 53;
    const std::uint64_t unit = std::uint64_t(1) << drop;
    const std::uint64_t rest = x & (unit - 1);
    const std::uint64_t half = unit >> 1;
    std::uint64_t kept = x - rest;
    if (rest > half || (rest == half && (kept & unit) != 0))
        kept += unit;
    return kept;
}

// Keeps an intermediate in a real 64-bit double: the i686 build computes on the x87 stack with
// extra precision, which would move results that sit just below a whole number.
inline double StoreDouble(double value) noexcept
{
    volatile double stored = value;
    return stored;
}

}  // namespace detail

// Luminance with double rounding after each step, truncated: (G*0.587 + R*0.299) + B*0.114.
// Done in exact integer arithmetic so that every build gives the IEEE double result, which makes
// some neutral greys lose one step (128 -> 127).
constexpr std::uint8_t GrayLevel(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept
{
    using detail::RoundToDouble;
    const std::uint64_t sum = RoundToDouble(RoundToDouble(g * detail::kGrayWeightG) +
                                            RoundToDouble(r * detail::kGrayWeightR));
    const std::uint64_t total = RoundToDouble(sum + RoundToDouble(b * detail::kGrayWeightB));
    return static_cast<std::uint8_t>(total >> detail::kGrayScaleBits);
}

// Pixel of the grey copy: white stays white so that the copy keeps its transparent background.
constexpr Color GrayPixel(Color p) noexcept
{
    if ((p & kColorWhite) == kColorWhite)
        return kColorWhite;
    const std::uint8_t g = GrayLevel(ColorRed(p), ColorGreen(p), ColorBlue(p));
    return MakeColor(g, g, g);
}

// Takes factor of each channel away (v - v*factor in doubles, truncated); high byte cleared.
// A factor outside [0, 1], or NaN, leaves the colour as it is rather than wrapping channels.
inline Color ScaleDownColor(Color colour, double factor) noexcept
{
    if (!(factor >= 0.0 && factor <= 1.0))
        return colour;
    Color result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double v = static_cast<double>((colour >> shift) & 0xFF);
        const double scaled = v - detail::StoreDouble(v * factor);
        result |= static_cast<Color>(detail::StoreDouble(scaled)) << shift;
    }
    return result;
}

// Pixel of the darker copy: three quarters of each channel, rounded down; white stays white.
inline Color DarkPixel(Color p) noexcept
{
    if ((p & kColorWhite) == kColorWhite)
        return kColorWhite;
    return ScaleDownColor(p, 0.25);
}

// Mask bit of a pixel: 1 (transparent) exactly where it has the key colour.
constexpr bool IsKeyPixel(Color p, Color key) noexcept
{
    return (p & kColorWhite) == (key & kColorWhite);
}

// The source pixel after the mask step: key pixels turn black so that OR-ing the image over the
// masked background leaves the background showing there.
constexpr Color KeyedPixel(Color p, Color key) noexcept
{
    return IsKeyPixel(p, key) ? kColorBlack : p;
}

}  // namespace zelvix

#endif  // ZELVIX_IMAGE_PIXELS_H
