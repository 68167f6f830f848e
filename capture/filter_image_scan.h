// filter_image_scan.h - what a build of the capture filter reads, told from the bytes of its DLL.
//
//   FilterReads               which of the names that matter a build reads
//   kFilterImageNameOverlap   bytes a chunked reader carries from one chunk into the next
//   ScanFilterImage           the bytes of a DLL (or a piece of it) -> FilterReads
//
// A build that reads a value holds the value's name as a literal: UTF-16LE in the public build
// (its source is wide), ASCII in one built without UNICODE. Registry names ignore case, so ASCII
// letters match in either case. The public build holds the key's name but none of show_img,
// img_filename or param_set; the product's build holds all four.
//
// Platform-free and header-only; safe on any input (it is run over whatever a registration points
// at, and under ASan in the native tests).
#ifndef ZELVIX_FILTER_IMAGE_SCAN_H
#define ZELVIX_FILTER_IMAGE_SCAN_H

#include <cstddef>

namespace zelvix {

struct FilterReads {
    bool bKey = false, bShowImg = false, bImgFilename = false, bParamSet = false;
};

namespace filter_image {
// The names, in FilterReads' order. bKey: the key's own name (as in SOFTWARE\screen-capture-recorder).
constexpr const char* kNames[] = {"screen-capture-recorder", "show_img", "img_filename", "param_set"};
constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

constexpr std::size_t LongestName() noexcept
{
    std::size_t nLongest = 0;
    for (const char* pszName : kNames) {
        std::size_t n = 0;
        while (pszName[n] != '\0')
            ++n;
        nLongest = n > nLongest ? n : nLongest;
    }
    return nLongest;
}

constexpr unsigned char Fold(unsigned char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Does the name (lower case) start at p, one byte per letter (nStep 1) or UTF-16LE (nStep 2)?
inline bool NameAt(const unsigned char* p, std::size_t n, const char* pszName, std::size_t nStep) noexcept
{
    std::size_t i = 0;
    for (; pszName[i] != '\0'; ++i) {
        const std::size_t at = i * nStep;
        if (at + nStep > n || Fold(p[at]) != static_cast<unsigned char>(pszName[i]) || (nStep == 2 && p[at + 1] != 0))
            return false;
    }
    return i > 0;
}
}  // namespace filter_image

// A name cut by a chunk's end is whole in the next chunk when this many bytes of the earlier one
// are read again: the longest name in UTF-16, less one byte.
constexpr std::size_t kFilterImageNameOverlap = 2 * filter_image::LongestName() - 1;

// One pass over the bytes; each position is compared with the names not found yet, so the work
// is at most a small constant times n. NULL or empty input reads nothing.
inline FilterReads ScanFilterImage(const unsigned char* p, std::size_t n) noexcept
{
    using namespace filter_image;
    bool found[kNameCount] = {};
    std::size_t nFound = 0;
    for (std::size_t i = 0; p != nullptr && i < n && nFound < kNameCount; ++i) {
        const unsigned char c = Fold(p[i]);
        for (std::size_t k = 0; k < kNameCount; ++k) {
            if (!found[k] && c == static_cast<unsigned char>(kNames[k][0]) &&
                (NameAt(p + i, n - i, kNames[k], 1) || NameAt(p + i, n - i, kNames[k], 2))) {
                found[k] = true;
                ++nFound;
            }
        }
    }
    FilterReads reads;
    reads.bKey = found[0];
    reads.bShowImg = found[1];
    reads.bImgFilename = found[2];
    reads.bParamSet = found[3];
    return reads;
}

}  // namespace zelvix

#endif  // ZELVIX_FILTER_IMAGE_SCAN_H
