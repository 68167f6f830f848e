// menu_color.h - colour arithmetic of the owner-drawn menu's drawing.
//
//   Color           0x00BBGGRR colour value, laid out like COLORREF
//   LightenColor    moves a colour toward white (check boxes, XP-style highlight fills)
//
// Platform-free and header-only; COwnerDrawnMenu::LightenColor forwards here.
#ifndef ZELVIX_MENU_COLOR_H
#define ZELVIX_MENU_COLOR_H

#include <cstdint>

namespace zelvix {

using Color = std::uint32_t;  // laid out like COLORREF: 0x00BBGGRR

namespace detail {

// Keeps an intermediate in a real 64-bit double: the i686 build computes on the x87 stack with
// extra precision, and 240 lightened by 0.6 would then come out 248 instead of 249.
inline double StoreMenuDouble(double value) noexcept
{
    volatile double stored = value;
    return stored;
}

}  // namespace detail

// Each channel c becomes c + factor*(255 - c) in doubles, truncated; high byte 0. A factor not in
// (0, 1] (NaN included) returns the colour untouched, high byte and all.
inline Color LightenColor(double factor, Color colour) noexcept
{
    if (!(factor > 0.0) || factor > 1.0)
        return colour;
    Color result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double c = static_cast<double>((colour >> shift) & 0xFF);
        const double lifted = c + detail::StoreMenuDouble(factor * (255.0 - c));
        result |= static_cast<Color>(detail::StoreMenuDouble(lifted)) << shift;
    }
    return result;
}

}  // namespace zelvix

#endif  // ZELVIX_MENU_COLOR_H
