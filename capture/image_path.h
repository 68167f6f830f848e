// image_path.h - path of the still image that the capture filter shows while capture is off.
//
//   kStillImageName   "\1.bmp", appended to the executable's directory
//   ModulePathFits    did GetModuleFileNameA return the whole path, or must the buffer grow
//   StillImagePath    executable path -> still image path
//
// Platform-free and header-only. The store asks GetModuleFileNameA with a growing buffer until
// ModulePathFits, so paths beyond 260 characters work, and hands the result to StillImagePath.
#ifndef ZELVIX_IMAGE_PATH_H
#define ZELVIX_IMAGE_PATH_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvix {

constexpr char kStillImageName[] = "\\1.bmp";

// GetModuleFileNameA returns the buffer size, unterminated on older systems, when the path was
// cut, and 0 when it failed: only a count strictly inside the buffer is a whole path.
constexpr bool ModulePathFits(std::uint32_t returned, std::size_t bufferSize) noexcept
{
    return returned > 0 && returned < bufferSize;
}

// Directory of the module path (everything before its last backslash, which is dropped) followed
// by "\1.bmp"; no backslash gives "\1.bmp". path/length as the platform returned them, also cut at
// a 0 byte. isLead(unsigned char) -> bool tells double-byte lead bytes: the trail byte of a GBK
// character may be 0x5C and must not be taken for a backslash. Running out of memory for the
// string ends the program: no exception could pass the window procedure that asks for it anyway.
template <class IsLeadFn>
std::string StillImagePath(const char* path, std::size_t length, IsLeadFn isLead) noexcept
{
    std::size_t dirLength = 0;
    if (path != nullptr) {
        for (std::size_t i = 0; i < length && path[i] != '\0';) {
            if (path[i] == '\\') {
                dirLength = i;
                ++i;
            } else {
                const bool twoBytes = isLead(static_cast<unsigned char>(path[i])) && i + 1 < length &&
                                      path[i + 1] != '\0';
                i += twoBytes ? 2 : 1;
            }
        }
    }
    std::string result(path != nullptr ? path : "", dirLength);
    result += kStillImageName;
    return result;
}

}  // namespace zelvix

#endif  // ZELVIX_IMAGE_PATH_H
