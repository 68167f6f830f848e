// image_layout.h - rectangle arithmetic of the image button's paint.
//
//   Rect                        left/top/right/bottom, laid out like RECT
//   ImagePlacement              IMAGE_LEFT, IMAGE_ABOVE, IMAGE_RIGHT
//   ImageSlotToDraw             which of the two images a paint shows
//   PlaceImage                  image rectangle for one image; narrows the caption rectangle
//   ShiftPressedCaption         caption offset while the button is held down
//   CentreMeasuredCaption       measured caption text centred in its area
//
// Platform-free and header-only, so the paint code can hand its RECTs over; the unit tests check
// the button's paint, and with it this geometry, pixel by pixel under Wine.
#ifndef ZELVIX_IMAGE_LAYOUT_H
#define ZELVIX_IMAGE_LAYOUT_H

#include <cstdint>

namespace zelvix {

struct Rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

constexpr bool operator==(const Rect& a, const Rect& b) noexcept
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool operator!=(const Rect& a, const Rect& b) noexcept { return !(a == b); }

enum ImagePlacement : std::uint8_t {
    IMAGE_LEFT = 0,
    IMAGE_ABOVE = 1,
    IMAGE_RIGHT = 2,
};

namespace detail {

// Coordinates are computed in 64 bits and saturated back, so absurd rectangles or image sizes
// cannot overflow.
constexpr std::int32_t Clamp32(std::int64_t v) noexcept
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v);
}

// Offset that centres `size` in `extent`; C++ division truncates toward zero, so an image 2 or
// 3 pixels larger than the button both move 1 pixel left or up.
constexpr std::int64_t CentreOffset(std::int64_t extent, std::int64_t size) noexcept
{
    return (extent - size) / 2;
}

}  // namespace detail

// Slot 1 (the derived or second image) shows at rest, slot 0 while pressed or when there is no slot 1.
constexpr int ImageSlotToDraw(bool pressed, bool slot1HasImage) noexcept
{
    return (!pressed && slot1HasImage) ? 1 : 0;
}

// Image rectangle of a width x height image in the item rectangle (the button's client area); only
// its left and top move, its right and bottom stay the item's. With a caption the caption rectangle
// gives up the image's room. insetY is an absolute top for IMAGE_ABOVE, not added to the item's top.
constexpr Rect PlaceImage(bool hasCaption, std::uint32_t width, std::uint32_t height, const Rect& item,
                          Rect& caption, std::uint8_t placement, std::int32_t insetX,
                          std::int32_t insetY) noexcept
{
    using detail::Clamp32;
    using detail::CentreOffset;
    Rect image = item;
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t itemW = std::int64_t(item.right) - item.left;
    const std::int64_t itemH = std::int64_t(item.bottom) - item.top;
    const std::int32_t centredLeft = Clamp32(item.left + CentreOffset(itemW, w));
    const std::int32_t centredTop = Clamp32(item.top + CentreOffset(itemH, h));

    switch (placement) {
    case IMAGE_LEFT:
        if (hasCaption) {
            image.left = Clamp32(std::int64_t(item.left) + insetX);
            caption.left = Clamp32(caption.left + std::int64_t(insetX) + w);
        } else {
            image.left = centredLeft;
        }
        image.top = centredTop;
        break;
    case IMAGE_ABOVE:
        image.left = centredLeft;
        if (hasCaption) {
            image.top = insetY;
            caption.top = Clamp32(caption.top + h);
        } else {
            image.top = centredTop;
        }
        break;
    case IMAGE_RIGHT:
        if (hasCaption) {
            caption.right = Clamp32(std::int64_t(caption.right) - caption.left - insetX - w);
            caption.left = insetX;
            image.left = Clamp32(std::int64_t(item.right) - insetX - w);
            image.top = centredTop;
        } else {
            image.left = centredLeft;
        }
        break;
    default:
        break;
    }
    return image;
}

// Caption moves by the press shift while drawn pressed, but not in toggle mode, where a checked
// button looks pressed without being held.
constexpr Rect ShiftPressedCaption(const Rect& caption, bool pressed, bool toggleMode, std::int32_t shiftX,
                                   std::int32_t shiftY) noexcept
{
    if (!pressed || toggleMode)
        return caption;
    using detail::Clamp32;
    return Rect{Clamp32(std::int64_t(caption.left) + shiftX), Clamp32(std::int64_t(caption.top) + shiftY),
                Clamp32(std::int64_t(caption.right) + shiftX), Clamp32(std::int64_t(caption.bottom) + shiftY)};
}

// Moves the rectangle that text measuring returned so that it is centred in area (truncating).
constexpr Rect CentreMeasuredCaption(const Rect& area, const Rect& measured) noexcept
{
    using detail::Clamp32;
    using detail::CentreOffset;
    const std::int64_t dx = CentreOffset(std::int64_t(area.right) - area.left,
                                         std::int64_t(measured.right) - measured.left);
    const std::int64_t dy = CentreOffset(std::int64_t(area.bottom) - area.top,
                                         std::int64_t(measured.bottom) - measured.top);
    return Rect{Clamp32(measured.left + dx), Clamp32(measured.top + dy), Clamp32(measured.right + dx),
                Clamp32(measured.bottom + dy)};
}

}  // namespace zelvix

#endif  // ZELVIX_IMAGE_LAYOUT_H
