// picture_fit.h - where the doctor's window shows a picture inside the box it has for it.
//
//   FitPicture   the largest rectangle of the picture's shape inside the box, never larger than
//                the picture itself (a small picture is shown 1:1), centred
//
// Platform-free and header-only.
#ifndef ZELVIX_DOCTOR_PICTURE_FIT_H
#define ZELVIX_DOCTOR_PICTURE_FIT_H

#include <cstdint>

namespace zelvix {
namespace doctor {

struct FitRect {
    int x = 0, y = 0, cx = 0, cy = 0;   // in the box
};

inline FitRect FitPicture(int cxPicture, int cyPicture, int cxBox, int cyBox) noexcept
{
    FitRect r;
    if (cxPicture <= 0 || cyPicture <= 0 || cxBox <= 0 || cyBox <= 0)
        return r;
    const std::int64_t w = cxPicture, h = cyPicture;
    if (w * cyBox >= h * cxBox) {   // as wide as the box allows
        r.cx = cxPicture < cxBox ? cxPicture : cxBox;
        r.cy = static_cast<int>((h * r.cx + w / 2) / w);
    } else {
        r.cy = cyPicture < cyBox ? cyPicture : cyBox;
        r.cx = static_cast<int>((w * r.cy + h / 2) / h);
    }
    r.cx = r.cx < 1 ? 1 : r.cx;   // a sliver still shows
    r.cy = r.cy < 1 ? 1 : r.cy;
    r.x = (cxBox - r.cx) / 2;
    r.y = (cyBox - r.cy) / 2;
    return r;
}

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_PICTURE_FIT_H
