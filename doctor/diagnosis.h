// diagnosis.h - one check of what the capture filter will show, for the console report and the
// window alike: the settings where the filter reads them, this machine, the installed builds of the
// filter, and on request the picture the viewers get now.
//
//   GrabImage      a picture as 24-bit DIB rows, bottom-up
//   GrabRequest    no picture; through the installed filter of this program's bitness when one loads,
//                  else by the model; or by the model alone
//   Diagnose       the check; the plan says who made the picture (grabSource) and adds filter_failed
//                  or model_mismatch from the filter's own run
//   WriteBmp       the picture as a .bmp file
//   ToUtf8, FromUtf8, BecomeDpiAware   shared with the programs around it
#ifndef ZELVIX_DOCTOR_DIAGNOSIS_H
#define ZELVIX_DOCTOR_DIAGNOSIS_H

#include <windows.h>

#include <string>
#include <vector>

#include "doctor/filter_plan.h"

namespace zelvix {
namespace doctor {

// Filter and model differ "by more than a little" above this mean per channel.
constexpr double kModelTolerance = 2.0;

struct GrabImage {
    int cx = 0, cy = 0;
    std::vector<unsigned char> bits;   // Stride() bytes per row, bottom row first
    size_t Stride() const;
    bool IsEmpty() const { return bits.empty(); }
};

enum class GrabRequest { None, Auto, Model };

struct Diagnosis {
    SettingsSource src;
    Plan plan;
    GrabImage image;            // when a picture was asked for and could be made
    std::string strGrabError;   // else why not (UTF-8)
};

Diagnosis Diagnose(GrabRequest request, DWORD dwFilterTimeoutMs);

bool WriteBmp(const GrabImage& image, const std::wstring& strFile, std::string* pstrError);

std::string ToUtf8(const wchar_t* psz, size_t n);
std::wstring FromUtf8(const std::string& s);

// The filter usually runs in a DPI-aware host (a streaming application): see the screen as it does.
void BecomeDpiAware();

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_DIAGNOSIS_H
