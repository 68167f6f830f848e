// frame_geometry.h - sizes of the capture frame and the capture rectangle inside it.
//
//   kFrame... constants     normal/large window sizes, caption allowance, outline width, colours
//   FrameMove               where a size command puts the window (or that it stays)
//   FrameSizeState          the frame's size members and its three size states:
//                           ToggleFullScreen (command 100), Enlarge (111), Shrink (110)
//   CaptureRect             the published rectangle; FrameSizeState::SampleCapture computes it
//   OffScreenLeft           a start_x that puts any capture rectangle off every monitor
//
// Platform-free and header-only: CScreenShareHintWnd keeps its place and size in a FrameSizeState,
// calls these and carries out the resulting MoveWindow itself.
#ifndef ZELVIX_FRAME_GEOMETRY_H
#define ZELVIX_FRAME_GEOMETRY_H

#include <cstdint>

namespace zelvix {

constexpr std::int32_t kFrameNormalWidth = 800;
constexpr std::int32_t kFrameNormalHeight = 476;
constexpr std::int32_t kFrameLargeWidth = 1024;
constexpr std::int32_t kFrameLargeHeight = 602;
constexpr std::int32_t kFrameCaptionAllowance = 26;  // 24-pixel strip plus the 2-pixel outline
constexpr std::int32_t kFrameOutlineWidth = 2;

// The frame's colours, as COLORREF values (0x00BBGGRR). tools/make_images.py reads the strip's
// from here for the still image.
constexpr std::uint32_t kFrameColorKey = 0x0000FF00;      // see-through: the layered colour key
constexpr std::uint32_t kFrameOutlineColor = 0x000000FF;  // red
constexpr std::uint32_t kFrameStripColor = 0x00FFAE39;    // RGB(57, 174, 255)
constexpr std::uint32_t kFrameTextColor = 0x00FFFFFF;

namespace detail {

// Positions come from the platform unchecked; wrap like the 32-bit values they are published as
// instead of overflowing.
constexpr std::int32_t WrapAdd(std::int32_t a, std::int32_t b) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr std::int32_t WrapSub(std::int32_t a, std::int32_t b) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace detail

struct FrameMove {
    bool bMove;  // false: the command changes nothing, no move and no repaint
    std::int32_t x;
    std::int32_t y;
    std::int32_t cx;
    std::int32_t cy;
};

// Right of the virtual screen (all monitors lie inside it) by a margin: a filter that copies
// from there records black.
constexpr std::int32_t kOffScreenMargin = 64;
constexpr std::int32_t OffScreenLeft(std::int32_t nVirtualLeft, std::int32_t nVirtualWidth) noexcept
{
    return detail::WrapAdd(detail::WrapAdd(nVirtualLeft, nVirtualWidth), kOffScreenMargin);
}

struct CaptureRect {
    std::int32_t nLeft;    // "start_x"
    std::int32_t nTop;     // "start_y"
    std::int32_t nWidth;   // "capture_width"
    std::int32_t nHeight;  // "capture_height"
};

struct FrameSizeState {
    // data members, with the frame's values at start
    std::int32_t nSavedX = -1;  // where leaving full screen returns to
    std::int32_t nSavedY = -1;
    std::int32_t nX = 40;       // position as sampled by the last tick, not by the commands
    std::int32_t nY = 40;
    std::int32_t nWidth = kFrameNormalWidth;  // always set as a pair with nHeight
    std::int32_t nHeight = kFrameNormalHeight;
    bool bFullScreen = false;

    // operations
    // Enters full screen at (0, 0) over the primary screen, remembering the sampled position, or
    // leaves it for the stored size at that remembered position. The stored size stays as it is.
    FrameMove ToggleFullScreen(std::int32_t screenCx, std::int32_t screenCy) noexcept
    {
        if (bFullScreen) {
            bFullScreen = false;
            return FrameMove{true, nSavedX, nSavedY, nWidth, nHeight};
        }
        nSavedX = nX;
        nSavedY = nY;
        bFullScreen = true;
        return FrameMove{true, 0, 0, screenCx, screenCy};
    }

    // Normal -> large at the sampled position, large -> full screen; nothing from full screen or
    // from any other stored width.
    FrameMove Enlarge(std::int32_t screenCx, std::int32_t screenCy) noexcept
    {
        if (bFullScreen)
            return FrameMove{false, 0, 0, 0, 0};
        if (nWidth == kFrameNormalWidth) {
            nWidth = kFrameLargeWidth;
            nHeight = kFrameLargeHeight;
            return FrameMove{true, nX, nY, nWidth, nHeight};
        }
        if (nWidth == kFrameLargeWidth)
            return ToggleFullScreen(screenCx, screenCy);
        return FrameMove{false, 0, 0, 0, 0};
    }

    // Full screen -> the stored size at the saved position, large -> normal at the sampled
    // position; nothing in normal size.
    FrameMove Shrink() noexcept
    {
        if (bFullScreen)
            return ToggleFullScreen(0, 0);
        if (nWidth == kFrameLargeWidth) {
            nWidth = kFrameNormalWidth;
            nHeight = kFrameNormalHeight;
            return FrameMove{true, nX, nY, nWidth, nHeight};
        }
        return FrameMove{false, 0, 0, 0, 0};
    }

    // The tick's sample: takes the window's normal-position rectangle as the new position and
    // returns the rectangle inside the outline. Its size is the stored one, except in full screen,
    // where only the window's real rectangle knows the screen size.
    CaptureRect SampleCapture(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom) noexcept
    {
        using detail::WrapAdd;
        using detail::WrapSub;
        nX = left;
        nY = top;
        const std::int32_t width = bFullScreen ? WrapSub(right, left) : nWidth;
        const std::int32_t height = bFullScreen ? WrapSub(bottom, top) : nHeight;
        return CaptureRect{WrapAdd(nX, kFrameOutlineWidth), WrapAdd(nY, kFrameCaptionAllowance),
                           WrapSub(width, 2 * kFrameOutlineWidth), WrapSub(height, kFrameCaptionAllowance)};
    }
};

}  // namespace zelvix

#endif  // ZELVIX_FRAME_GEOMETRY_H
