// libFuzzer target for the scan of a capture filter's DLL (built on its own with clang
// -fsanitize=fuzzer,address,undefined). The input is the DLL's bytes. The scan must agree with a
// plain search of the bytes, ASCII letters folded, for each name as ASCII and as UTF-16LE, and
// scanning in two chunks that share kFilterImageNameOverlap bytes must find the same (the first
// byte picks the border).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "capture/filter_image_scan.h"

namespace {
bool Found(const zelvix::FilterReads& r, std::size_t k)
{
    const bool found[] = {r.bKey, r.bShowImg, r.bImgFilename, r.bParamSet};
    return found[k];
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the input's size on the heap: AddressSanitizer sees any read past it.
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size]);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    const zelvix::FilterReads whole = zelvix::ScanFilterImage(copy.get(), size);

    std::string folded(reinterpret_cast<const char*>(data), size);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return static_cast<char>(zelvix::filter_image::Fold(static_cast<unsigned char>(c))); });
    const std::size_t border = size > 0 ? data[0] % size : 0;
    const std::size_t next = border > zelvix::kFilterImageNameOverlap ? border - zelvix::kFilterImageNameOverlap : 0;
    const zelvix::FilterReads first = zelvix::ScanFilterImage(copy.get(), border);
    const zelvix::FilterReads second = zelvix::ScanFilterImage(copy.get() + next, size - next);
    for (std::size_t k = 0; k < zelvix::filter_image::kNameCount; ++k) {
        const std::string name = zelvix::filter_image::kNames[k];
        std::string wide;
        for (char c : name)
            wide += std::string(1, c) + '\0';
        const bool expected = folded.find(name) != std::string::npos || folded.find(wide) != std::string::npos;
        if (Found(whole, k) != expected || (Found(first, k) || Found(second, k)) != expected)
            std::abort();
    }
    return 0;
}
