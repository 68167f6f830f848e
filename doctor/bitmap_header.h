// bitmap_header.h - whether a file's first bytes and size make a whole .bmp picture.
//
//   kBitmapHeaderBytes   how many leading bytes IsWholeBitmap looks at
//   IsWholeBitmap        a file header, a known info header, sane sizes, and pixels that fit the file
//
// Platform-free and header-only. The doctor asks this before it lets the platform load the still
// image: an empty or cut-off file is "not a bitmap", as it is for the filter, and never reaches
// LoadImage.
#ifndef ZELVIX_DOCTOR_BITMAP_HEADER_H
#define ZELVIX_DOCTOR_BITMAP_HEADER_H

#include <cstddef>
#include <cstdint>

namespace zelvix {
namespace doctor {

constexpr std::size_t kBitmapFileHeaderBytes = 14;
constexpr std::size_t kBitmapHeaderBytes = kBitmapFileHeaderBytes + 40;

namespace detail {
inline std::uint32_t U16(const unsigned char* p) noexcept { return p[0] | (p[1] << 8); }
inline std::uint32_t U32(const unsigned char* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace detail

// head: the file's first nHead bytes (nHead may be less than kBitmapHeaderBytes for a short file);
// nFileSize: the whole file's size. Only BITMAPINFOHEADER and its later extensions are accepted,
// as the .bmp files that image programs write today carry.
inline bool IsWholeBitmap(const unsigned char* head, std::size_t nHead, std::uint64_t nFileSize) noexcept
{
    using detail::U16;
    using detail::U32;
    if (head == nullptr || nHead < kBitmapHeaderBytes || nFileSize < kBitmapHeaderBytes)
        return false;
    if (head[0] != 'B' || head[1] != 'M')
        return false;
    const unsigned char* info = head + kBitmapFileHeaderBytes;
    const std::uint64_t nOffBits = U32(head + 10);
    const std::uint32_t nInfoSize = U32(info);
    const std::int64_t nWidth = static_cast<std::int32_t>(U32(info + 4));
    const std::int64_t nHeight = static_cast<std::int32_t>(U32(info + 8));
    const std::uint32_t nPlanes = U16(info + 12), nBits = U16(info + 14), nCompression = U32(info + 16);
    const std::uint64_t nSizeImage = U32(info + 20);
    if (nInfoSize != 40 && nInfoSize != 52 && nInfoSize != 56 && nInfoSize != 108 && nInfoSize != 124)
        return false;
    if (nWidth <= 0 || nHeight == 0 || nHeight == INT32_MIN || nPlanes != 1)
        return false;
    if (nBits != 1 && nBits != 4 && nBits != 8 && nBits != 16 && nBits != 24 && nBits != 32)
        return false;
    if (nOffBits < kBitmapFileHeaderBytes + nInfoSize || nOffBits >= nFileSize)
        return false;
    const std::uint64_t nRows = static_cast<std::uint64_t>(nHeight < 0 ? -nHeight : nHeight);
    switch (nCompression) {
    case 0:  // BI_RGB
    case 3:  // BI_BITFIELDS
    {
        const std::uint64_t nStride = ((static_cast<std::uint64_t>(nWidth) * nBits + 31) / 32) * 4;
        return nStride * nRows <= nFileSize - nOffBits;
    }
    case 1:  // BI_RLE8
    case 2:  // BI_RLE4
        return nHeight > 0 && nSizeImage > 0 && nSizeImage <= nFileSize - nOffBits;
    default:
        return false;
    }
}

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_BITMAP_HEADER_H
